#include "engine/WarningDialog.h"

#include "io/UniRegistry.h"

namespace velmora {

namespace {
constexpr char kWarnings[] = "Warnings";
}

CWarningDlg::CWarningDlg(std::string text, std::string key) : text_(std::move(text)), key_(std::move(key)) {
  if (!key_.empty()) switchedOff_ = settings::getProfileInt(kWarnings, key_.c_str(), 1) <= 0;
}

CWarningDlg::~CWarningDlg() {
  if (decided_) store();
}

void CWarningDlg::store() const {
  if (!key_.empty()) settings::writeProfileInt(kWarnings, key_.c_str(), switchedOff_ ? 0 : 1);
}

platform::PromptAnswer CWarningDlg::showIfWanted(platform::Prompt* prompt, const std::string& title) {
  if (switchedOff_) {
    decided_ = true;
    return platform::PromptAnswer::kOk;
  }
  if (!prompt) return platform::PromptAnswer::kOk;
  bool ticked = false;
  const platform::PromptAnswer answer = prompt->warn(text_, title, !key_.empty(), ticked);
  if (answer == platform::PromptAnswer::kOk) {
    switchedOff_ = ticked && !key_.empty();
    decided_ = true;
    store();
  }
  return answer;
}

}  // namespace velmora
