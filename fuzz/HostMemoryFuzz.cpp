// The host's memory from arbitrary bytes: one project document whose structures (track lists,
// tracks, effect lists, time objects) lie anywhere in the bytes, read through the first build's
// layout. Attaching, refreshing and every getter must end cleanly whatever the bytes point to,
// and a bank answer is never a negative host value.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/CCWTrackInfo.h"
#include "host/HostIntegration.h"
#include "io/UniRegistry.h"

namespace {

using velmora::platform::HostAddress;

constexpr HostAddress kWindow = 0x200000;    // the bytes lie here; the document is their start
constexpr HostAddress kReadable = 0x702C2C;  // the first build's variables, at its preferred address
constexpr HostAddress kActive = 0x702C50;
constexpr HostAddress kTransport = 0x705728;

class BytesImage final : public velmora::platform::HostImage {
 public:
  BytesImage(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {}
  bool read(HostAddress address, void* out, std::size_t size) const override {
    std::uint32_t word = 0;
    if (size == 4 && (address == kReadable || address == kActive || address == kTransport)) {
      word = address == kReadable ? 1 : address == kActive ? static_cast<std::uint32_t>(kWindow) : static_cast<std::uint32_t>(kWindow + 0x40);
      std::memcpy(out, &word, 4);
      return true;
    }
    if (address < kWindow || address - kWindow > bytes_.size() || size > bytes_.size() - (address - kWindow)) return false;
    std::memcpy(out, bytes_.data() + (address - kWindow), size);
    return true;
  }
  HostAddress moduleAt(const std::string& name) const override { return name == "cwpa.exe" ? 0x400000 : 0; }
  bool fileVersion(HostAddress, std::string& version) const override {
    version = "8.00.40";
    return true;
  }
  bool hasVersionLanguage(HostAddress, std::uint16_t language) const override { return language == 1033; }
  bool linksHostInternals() const override { return true; }
  HostAddress documentTemplate(const std::string&) const override { return 1; }
  std::vector<HostAddress> documents(HostAddress) const override { return {kWindow}; }
  bool call(HostAddress, HostAddress, HostAddress argument, std::uint32_t& result) override {
    result = static_cast<std::uint32_t>(kWindow + (argument * 16) % (bytes_.size() + 1));
    return true;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmora;
  if (size < 4 || size > 1 << 16) return 0;
  static const bool settings = [] {
    settings::overrideProfileInt(settings::kCWIntegration, 1);
    return true;
  }();
  (void)settings;
  BytesImage image(data, size);
  host::resetHostIntegration(&image);
  if (host::startHostIntegration(settings::kApplicationKey) != host::IntegrationStart::kOn) std::abort();
  host::CCWTrackInfo info;
  std::uint32_t plugin = 0;
  std::memcpy(&plugin, data, 4);  // the first word names the plug-in searched for
  info.attach(plugin);
  info.refresh(true);
  if (info.bank(-7) < -7 || (info.bank(-7) < 0 && info.bank(-7) != -7)) std::abort();
  volatile std::int64_t sum = info.nowTime() + info.trackValueA() + info.trackValueALive() + info.trackValueB() +
                              info.trackNumber() + info.trackValueC() + info.portIndex() + info.trackValueD() +
                              info.trackValueE() + info.trackValueF() + info.volume() + info.pan() + info.muted() +
                              info.mutedLive() + info.isActiveView() + info.setNowTime(1);
  (void)sum;
  host::resetHostIntegration();
  return 0;
}
