// A view of an engine for hosts without a panel, keeping only the composer's result text ("Chosen after N tries (...)"
// or "BAD (n) Tries (...): ..."), which the engine reports while the composer's test mode is on.
#pragma once

#include <string>

#include "engine/TamborakView.h"

namespace velmora {

class ResultView final : public TamborakView {
 public:
  platform::UiTarget window() const override { return platform::kNoTarget; }
  void refresh(Item) override {}
  bool confirmDiscard() override { return true; }
  platform::Prompt* prompt() override { return nullptr; }
  void detach() override {}
  // [main-thread]
  void setWindowText(const std::string& text) override { result = text; }
  std::string result;
};

}  // namespace velmora
