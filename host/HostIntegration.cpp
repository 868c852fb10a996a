#include "host/HostIntegration.h"

#include <atomic>
#include <mutex>

#include "host/HostWindows.h"
#include "io/UniRegistry.h"
#include "platform/System.h"

namespace velmora::host {
namespace {

// Written once under the lock by the start; `on` is set last, so a reader that sees it on finds
// the row and template in place.
struct State {
  std::mutex lock;
  bool started = false;
  IntegrationStart result = IntegrationStart::kNoMatch;
  std::atomic<bool> on{false};
  int row = -1;
  HostBuild build{};
  platform::HostAddress documentTemplate = 0;
  platform::HostImage* image = nullptr;
  platform::Prompt* prompt = nullptr;
};

State& state() {
  static State s;
  return s;
}

IntegrationStart start(State& s, const std::string& applicationKey) {
  findHostWindows();
  if (settings::getProfileInt(settings::kCWIntegration, applicationKey) == 0) return IntegrationStart::kNoMatch;
  platform::HostImage& image = hostImage();
  platform::HostAddress module = 0;
  const int row = matchHostBuild(image, hostBuildTable(), module);
  if (row < 0) return IntegrationStart::kNoMatch;
  s.row = row;
  s.build = relocated(hostBuildTable()[static_cast<std::size_t>(row)], module);
  // Without the link to the host's internals no template can be found: the integration then
  // stays off quietly and the track information keeps its cached defaults.
  const bool linked = image.linksHostInternals();
  s.documentTemplate = linked ? image.documentTemplate(s.build.documentType) : 0;
  if (s.documentTemplate == 0) {
    s.row = -1;
    platform::trace("host integration: no document template \"%s\"\n", s.build.documentType);
    if (s.prompt && linked)
      s.prompt->ask("Can't find DocTemplate", "Velmora CW Integration", platform::PromptButtons::kOk,
                  platform::PromptIcon::kError);
    return IntegrationStart::kNoTemplate;
  }
  s.on = true;
  return IntegrationStart::kOn;
}

}  // namespace

void setHostIntegrationPrompt(platform::Prompt* prompt) {
  std::lock_guard guard(state().lock);
  state().prompt = prompt;
}

IntegrationStart startHostIntegration(const std::string& applicationKey) {
  State& s = state();
  std::lock_guard guard(s.lock);
  if (!s.started) {
    s.started = true;
    s.result = start(s, applicationKey);
  }
  return s.result;
}

bool hostIntegrationOn() { return state().on; }

const HostBuild& hostBuild() { return state().build; }

int hostBuildIndex() { return state().row; }

platform::HostAddress hostDocumentTemplate() { return state().documentTemplate; }

platform::HostImage& hostImage() {
  platform::HostImage* image = state().image;
  return image ? *image : platform::HostImage::running();
}

void resetHostIntegration(platform::HostImage* image) {
  State& s = state();
  std::lock_guard guard(s.lock);
  s.on = false;
  s.started = false;
  s.result = IntegrationStart::kNoMatch;
  s.row = -1;
  s.build = HostBuild{};
  s.documentTemplate = 0;
  s.image = image;
}

}  // namespace velmora::host
