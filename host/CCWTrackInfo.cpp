#include "host/CCWTrackInfo.h"

#include <new>

#include "host/HostIntegration.h"

namespace velmora::host {
namespace {

using Address = platform::HostAddress;

// Bounds on what one search walks, so that a damaged host structure cannot keep it busy.
constexpr std::uint32_t kMaxTracks = 10000;
constexpr std::uint32_t kMaxEffects = 1000;
constexpr std::int32_t kInitialPorts = 16;
constexpr std::int32_t kMaxPorts = 4096;

// Reads of host memory through the integration's image. Address 0, and a field the row leaves
// at 0, never reach the image.
bool readWord(Address address, std::uint32_t& value) {
  if (address == 0) return false;
  unsigned char bytes[4];
  if (!hostImage().read(address, bytes, sizeof bytes)) return false;
  value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
          std::uint32_t{bytes[3]} << 24;
  return true;
}

bool readInt(Address address, std::int32_t& value) {
  std::uint32_t word = 0;
  if (!readWord(address, word)) return false;
  value = static_cast<std::int32_t>(word);
  return true;
}

bool readByte(Address address, bool& value) {
  unsigned char byte = 0;
  if (address == 0 || !hostImage().read(address, &byte, 1)) return false;
  value = byte != 0;
  return true;
}

// The object field at `offset` of `object`: 0 when either is unknown.
Address fieldAt(Address object, std::uint32_t offset) { return object == 0 || offset == 0 ? 0 : object + offset; }

// A list in host memory: elements address, then count.
struct HostList {
  Address elements = 0;
  std::uint32_t count = 0;
};

bool readList(Address at, std::uint32_t limit, HostList& list) {
  std::uint32_t elements = 0;
  if (!readWord(at, elements) || !readWord(at == 0 ? 0 : at + 4, list.count)) return false;
  list.elements = elements;
  return list.count <= limit && (list.count == 0 || elements != 0);
}

// The track of `key` in a (key, track) list; 0 when absent.
Address trackOfKey(Address listAt, std::int32_t key) {
  HostList list;
  if (!readList(listAt, kMaxTracks, list)) return 0;
  for (std::uint32_t i = 0; i < list.count; ++i) {
    std::int32_t k = 0;
    std::uint32_t track = 0;
    const Address pair = list.elements + Address{i} * 8;
    if (!readInt(pair, k) || !readWord(pair + 4, track)) return 0;
    if (k == key) return track;
  }
  return 0;
}

}  // namespace

bool CCWTrackInfo::available() { return hostIntegrationOn(); }

bool CCWTrackInfo::send(std::uint32_t) { return false; }

bool CCWTrackInfo::readable() const {
  if (!hostIntegrationOn()) return false;
  std::uint32_t flag = 0;
  return readWord(hostBuild().at(kReadableVariable), flag) && flag != 0;
}

bool CCWTrackInfo::trackField(std::size_t field, std::int32_t& value) const {
  if (!attached_ || !hostIntegrationOn()) return false;
  return readInt(fieldAt(track_, hostBuild().at(field)), value);
}

std::int32_t CCWTrackInfo::liveOr(std::size_t field, const std::atomic<std::int32_t>& cached) const {
  std::int32_t value = 0;
  if (readable() && trackField(field, value)) return value;
  return cached;
}

bool CCWTrackInfo::computeMuted(bool& muted) const {
  if (!attached_ || !hostIntegrationOn()) return false;
  const HostBuild& build = hostBuild();
  bool someSolo = false, solo = false, mute = false;
  if (!readByte(fieldAt(track_, build.at(kTrackMuteOffset)), mute)) return false;
  if (readByte(fieldAt(document_, build.at(kDocSoloOffset)), someSolo) && someSolo &&
      readByte(fieldAt(track_, build.at(kTrackSoloOffset)), solo) && !solo) {
    muted = true;
    return true;
  }
  muted = mute;
  return true;
}

void CCWTrackInfo::clearCache() {
  number_ = valueA_ = valueB_ = valueC_ = bank_ = port_ = 0;
  valueD_ = -1;
  valueE_ = 0;
  valueF_ = volume_ = pan_ = -1;
  muted_ = false;
  key_ = -1;
}

void CCWTrackInfo::refresh(bool clearWhenDetached) {
  std::lock_guard guard(lock_);
  if (!attached_) {
    if (clearWhenDetached) clearCache();
    return;
  }
  const auto take = [this](std::size_t field, std::atomic<std::int32_t>& cached) {
    std::int32_t value = 0;
    if (trackField(field, value)) cached = value;
  };
  take(kTrackNumberOffset, number_);
  take(kTrackValueAOffset, valueA_);
  take(kTrackValueBOffset, valueB_);
  take(kTrackValueCOffset, valueC_);
  take(kTrackBankOffset, bank_);
  take(kTrackPortOffset, port_);
  take(kTrackValueDOffset, valueD_);
  take(kTrackValueEOffset, valueE_);
  take(kTrackValueFOffset, valueF_);
  take(kTrackVolumeOffset, volume_);
  take(kTrackPanOffset, pan_);
  bool muted = false;
  if (computeMuted(muted)) muted_ = muted;
  if (port_ >= 0 && port_ < kMaxPorts) portHandle_ = portHandleOf(port_);
}

std::uint32_t CCWTrackInfo::askPortHandle(std::int32_t index) {
  const HostBuild& build = hostBuild();
  std::uint32_t port = 0, handle = 0;
  if (!hostImage().call(build.at(kPortObjectRoutine), 0, static_cast<Address>(index), port)) return 0;
  return readWord(fieldAt(port, build.at(kPortHandleOffset)), handle) ? handle : 0;
}

std::uint32_t CCWTrackInfo::portHandleOf(std::int32_t index) {
  const auto wanted = static_cast<std::size_t>(index);
  if (wanted >= portTable_.size()) {
    try {
      while (portTable_.size() <= wanted) portTable_.push_back(askPortHandle(static_cast<std::int32_t>(portTable_.size())));
    } catch (const std::bad_alloc&) {
      return portHandle_;  // the table could not grow: the handle known so far stays
    }
  }
  return portTable_[wanted];
}

bool CCWTrackInfo::attach(Address plugin) {
  std::lock_guard guard(lock_);
  attached_ = false;
  document_ = track_ = 0;
  key_ = effectIndex_ = -1;
  if (!hostIntegrationOn() || plugin > UINT32_MAX) return false;
  const HostBuild& build = hostBuild();
  platform::HostImage& image = hostImage();
  for (const Address document : image.documents(hostDocumentTemplate())) {
    HostList pairs;
    if (!readList(fieldAt(document, build.at(kDocTrackPairsOffset)), kMaxTracks, pairs)) continue;
    for (std::uint32_t i = 0; i < pairs.count; ++i) {
      std::int32_t key = 0;
      std::uint32_t track = 0;
      const Address pair = pairs.elements + Address{i} * 8;
      if (!readInt(pair, key) || !readWord(pair + 4, track)) break;
      std::uint32_t effects = 0;
      std::int32_t count = 0;
      if (!readWord(fieldAt(track, build.at(kTrackEffectsOffset)), effects) ||
          !readInt(fieldAt(track, build.at(kTrackEffectCountOffset)), count) || count < 0 ||
          static_cast<std::uint32_t>(count) > kMaxEffects)
        continue;
      for (std::int32_t e = 0; e < count; ++e) {
        std::uint32_t effect = 0;
        if (!readWord(effects + Address(e) * 4, effect)) break;
        if (effect != plugin) continue;
        effectIndex_ = e;
        key_ = key;
        document_ = document;
        track_ = trackOfKey(fieldAt(document, build.at(kDocTrackMapOffset)), key);
        if (track_ == 0) return false;
        portTable_.clear();
        for (std::int32_t port = 0; port < kInitialPorts; ++port) portTable_.push_back(askPortHandle(port));
        attached_ = true;
        refresh(false);
        return true;
      }
    }
  }
  return false;
}

bool CCWTrackInfo::attachIfNeeded(Address plugin) { return attached_ || attach(plugin); }

bool CCWTrackInfo::isActiveView() {
  std::uint32_t active = 0;
  return attached_ && readable() && readWord(hostBuild().at(kActiveDocumentVariable), active) && active != 0 &&
         active == document_;
}

std::int32_t CCWTrackInfo::nowTime() {
  const Address document = document_;
  if (document == 0 || !hostIntegrationOn()) return -1;
  const HostBuild& build = hostBuild();
  std::uint32_t active = 0, transport = 0;
  std::int32_t now = -1;
  if (readable() && readWord(build.at(kActiveDocumentVariable), active) && active == document &&
      readWord(build.at(kTransportVariable), transport) && readInt(fieldAt(transport, build.at(kTransportNowOffset)), now))
    return now;
  const Address time = fieldAt(document, build.at(kDocTimeOffset));
  if (build.generation == 0) return readInt(time, now) ? now : -1;
  std::uint32_t object = 0;
  return readWord(time, object) && readInt(fieldAt(object, build.at(kTimeNowOffset)), now) ? now : -1;
}

bool CCWTrackInfo::setNowTime(std::int32_t ticks) {
  const Address document = document_;
  if (document == 0 || !hostIntegrationOn()) return false;
  const HostBuild& build = hostBuild();
  std::uint32_t ignored = 0;
  // Generation 0 takes the time itself, the later ones its address.
  const Address argument = build.generation == 0 ? static_cast<std::uint32_t>(ticks) : reinterpret_cast<std::uintptr_t>(&ticks);
  return hostImage().call(build.at(kSetNowRoutine), document, argument, ignored);
}

std::int32_t CCWTrackInfo::trackValueA() {
  std::int32_t value = 0;
  return readable() && trackField(kTrackValueAOffset, value) ? value : 0;
}

std::int32_t CCWTrackInfo::trackValueALive() {
  std::int32_t value = 0;
  return trackField(kTrackValueAOffset, value) ? value : 0;
}

std::int32_t CCWTrackInfo::trackValueB() { return liveOr(kTrackValueBOffset, valueB_); }
std::int32_t CCWTrackInfo::trackValueC() { return liveOr(kTrackValueCOffset, valueC_); }
std::int32_t CCWTrackInfo::trackValueD() { return liveOr(kTrackValueDOffset, valueD_); }
std::int32_t CCWTrackInfo::trackValueE() { return liveOr(kTrackValueEOffset, valueE_); }
std::int32_t CCWTrackInfo::trackValueF() { return liveOr(kTrackValueFOffset, valueF_); }
std::int32_t CCWTrackInfo::portIndex() { return liveOr(kTrackPortOffset, port_); }

// A stored number below 0 is not known yet: the host computes it.
std::int32_t CCWTrackInfo::trackNumber() {
  const std::int32_t number = liveOr(kTrackNumberOffset, number_);
  if (number >= 0 || !readable()) return number;
  std::uint32_t computed = 0;
  return hostImage().call(hostBuild().at(kTrackNumberRoutine), track_, 0, computed) ? static_cast<std::int32_t>(computed)
                                                                                    : number;
}

std::int32_t CCWTrackInfo::bank(std::int32_t defaultBank) {
  const std::int32_t value = liveOr(kTrackBankOffset, bank_);
  return value < 0 ? defaultBank : value;
}

std::int32_t CCWTrackInfo::volume() {
  if (hostIntegrationOn() && hostBuild().at(kTrackVolumeOffset) == 0) return 127;
  return liveOr(kTrackVolumeOffset, volume_);
}

std::int32_t CCWTrackInfo::pan() {
  if (hostIntegrationOn() && hostBuild().at(kTrackPanOffset) == 0) return 64;
  return liveOr(kTrackPanOffset, pan_);
}

bool CCWTrackInfo::muted() {
  bool value = false;
  return readable() && computeMuted(value) ? value : muted_.load();
}

bool CCWTrackInfo::mutedLive() {
  bool value = false;
  return readable() && computeMuted(value) && value;
}

}  // namespace velmora::host
