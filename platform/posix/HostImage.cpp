// No host build of the integration runs on these systems: no module of one is ever found, and
// nothing of the process is read.
#include "platform/HostImage.h"

namespace velmora::platform {
namespace {

class NoHostImage final : public HostImage {
 public:
  bool read(HostAddress, void*, std::size_t) const override { return false; }
  HostAddress moduleAt(const std::string&) const override { return 0; }
  bool fileVersion(HostAddress, std::string&) const override { return false; }
  bool hasVersionLanguage(HostAddress, std::uint16_t) const override { return false; }
  HostAddress documentTemplate(const std::string&) const override { return 0; }
  std::vector<HostAddress> documents(HostAddress) const override { return {}; }
  bool call(HostAddress, HostAddress, HostAddress, std::uint32_t&) override { return false; }
};

}  // namespace

HostImage& HostImage::running() {
  static NoHostImage image;
  return image;
}

}  // namespace velmora::platform
