#include "loops/QuickPadBank.h"

#include <algorithm>
#include <utility>

#include "io/Record.h"

namespace velmora {

namespace {

constexpr std::size_t kPads = 10;
// Entry bytes are read this many at a time, so memory grows only with bytes that arrived.
constexpr std::uint32_t kReadStep = 64 * 1024;

// Reads `length` bytes into `bytes` (replacing them); false when the stream runs short.
bool readBytes(CUniStream& stream, std::uint32_t length, std::string& bytes) {
  bytes.clear();
  while (length > 0) {
    const std::uint32_t step = std::min(length, kReadStep);
    const std::size_t at = bytes.size();
    bytes.resize(at + step);
    if (stream.read(bytes.data() + at, step) != step) return false;
    length -= step;
  }
  return true;
}

}  // namespace

QuickPadBank::QuickPadBank() { entries_.reserve(kPads); }

const QuickPadBank::Entry* QuickPadBank::find(std::int32_t index) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [index](const Entry& e) { return e.index == index; });
  return it == entries_.end() ? nullptr : &*it;
}

QuickPadBank::Entry* QuickPadBank::findEntry(std::int32_t index) {
  return const_cast<Entry*>(std::as_const(*this).find(index));
}

void QuickPadBank::storePad(std::int32_t index) {
  Entry* entry = findEntry(index);
  if (!entry) entry = &entries_.emplace_back(Entry{index, {}});
  entry->loop.clear();  // keeps the capacity
  CUniString stream(entry->loop);
  host_->saveLoop(stream, false);
}

void QuickPadBank::recallPad(std::int32_t index, bool notify) {
  const Entry* entry = find(index);
  if (!entry) {
    host_->clearLoop();
    return;
  }
  CUniMemoryReader stream(entry->loop.data(), static_cast<std::uint32_t>(entry->loop.size()));
  host_->LoadLoop(stream, notify ? 1 : 0);
}

void QuickPadBank::save(CUniStream& stream) const {
  record::putU32(stream, kRecordVersion);
  record::putU32(stream, static_cast<std::uint32_t>(entries_.size()));
  for (const Entry& entry : entries_) {
    record::putI32(stream, entry.index);
    record::putU32(stream, static_cast<std::uint32_t>(entry.loop.size()));
    if (!entry.loop.empty()) stream.write(entry.loop.data(), static_cast<std::uint32_t>(entry.loop.size()));
  }
}

bool QuickPadBank::load(CUniStream& stream) {
  entries_.clear();
  std::uint32_t version, count;
  if (!record::getU32(stream, version) || !record::getU32(stream, count)) return false;
  std::string bytes;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::int32_t index;
    std::uint32_t length;
    if (!record::getI32(stream, index) || !record::getU32(stream, length) || !readBytes(stream, length, bytes))
      return false;
    if (!find(index)) entries_.push_back(Entry{index, std::move(bytes)});
  }
  return true;
}

}  // namespace velmora
