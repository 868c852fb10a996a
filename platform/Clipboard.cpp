#include "platform/Clipboard.h"

#include <cstdint>

namespace velmora::platform {

bool MemoryClipboard::put(const std::vector<ClipItem>& items) {
  std::map<std::string, std::string> formats;
  for (const ClipItem& item : items) formats[item.format] = item.bytes;
  formats_ = std::move(formats);
  return true;
}

bool MemoryClipboard::get(const std::string& format, std::string& bytes) {
  const auto found = formats_.find(format);
  if (found == formats_.end()) return false;
  bytes = found->second;
  return true;
}

std::string dropFilesBlock(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  constexpr std::uint32_t kHeaderSize = 20;
  std::string block(kHeaderSize, '\0');
  block[0] = static_cast<char>(kHeaderSize);  // offset of the list, little-endian; the rest is 0
  block += path;
  block.append(2, '\0');
  return block;
}

std::string dropFilesPath(std::string_view block) {
  constexpr std::size_t kHeaderSize = 20;
  if (block.size() < kHeaderSize) return {};
  const auto word = [&block](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<unsigned char>(block[at + i])} << (8 * i);
    return value;
  };
  const std::uint32_t offset = word(0);
  if (word(16) != 0 || offset < kHeaderSize || offset >= block.size()) return {};
  const std::size_t end = block.find('\0', offset);
  if (end == std::string_view::npos) return {};
  return std::string(block.substr(offset, end - offset));
}

}  // namespace velmora::platform
