#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/MessageBoxPrompt.h"

using namespace velmora::platform;

TEST(MessageBoxPrompt, MapsButtonsIconsAndAnswers) {
  EXPECT_EQ(messageBoxStyle(PromptButtons::kYesNoCancel, PromptIcon::kExclamation),
            unsigned{MB_YESNOCANCEL | MB_ICONEXCLAMATION});
  EXPECT_EQ(messageBoxStyle(PromptButtons::kYesNo, PromptIcon::kQuestion), unsigned{MB_YESNO | MB_ICONQUESTION});
  EXPECT_EQ(messageBoxStyle(PromptButtons::kOk, PromptIcon::kNone), unsigned{MB_OK});
  EXPECT_EQ(messageBoxAnswer(IDYES, PromptButtons::kYesNo), PromptAnswer::kYes);
  EXPECT_EQ(messageBoxAnswer(IDNO, PromptButtons::kYesNo), PromptAnswer::kNo);
  EXPECT_EQ(messageBoxAnswer(IDCANCEL, PromptButtons::kYesNoCancel), PromptAnswer::kCancel);
  EXPECT_EQ(messageBoxAnswer(0, PromptButtons::kYesNo), PromptAnswer::kNo);  // a box that failed refuses
}

TEST(MessageBoxPrompt, SaveDialogFilterEndsWithTwoNuls) {
  using namespace std::string_literals;
  EXPECT_EQ(saveDialogFilter("Loops (.tbk)|*.tbk|All Files (*.*)|*.*||"), "Loops (.tbk)\0*.tbk\0All Files (*.*)\0*.*\0\0"s);
  EXPECT_EQ(saveDialogFilter("Loops|*.tbk"), "Loops\0*.tbk\0\0"s);
  EXPECT_EQ(saveDialogFilter(""), "\0\0"s);
}
