// The system's clipboard (the real one on Windows) keeps formats apart by name and replaces its
// whole content on each put. On Windows it is tried through OLE and, on a thread without OLE,
// through the clipboard functions.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#endif

#include <string>

#include "platform/Clipboard.h"

namespace velmora::platform {
namespace {

void keepsNamedFormatsAndReplacesThemWhole() {
  Clipboard& clipboard = systemClipboard();
  const std::string loop("loop\0bytes", 10), midi = "MThd";
  ASSERT_TRUE(clipboard.put({{"Tamborak Loop", loop}, {"Standard MIDI File", midi}}));
  std::string got;
  // A system block may be rounded up with zeros; the content comes first.
  ASSERT_TRUE(clipboard.get("Tamborak Loop", got));
  EXPECT_EQ(got.substr(0, loop.size()), loop);
  EXPECT_EQ(got.find_first_not_of('\0', loop.size()), std::string::npos);
  EXPECT_TRUE(clipboard.get("Standard MIDI File", got) && got.substr(0, midi.size()) == midi);

  ASSERT_TRUE(clipboard.put({{"Standard MIDI File", "MTrk"}}));
  EXPECT_FALSE(clipboard.get("Tamborak Loop", got));
  EXPECT_TRUE(clipboard.get("Standard MIDI File", got) && got.substr(0, 4) == "MTrk");
}

TEST(ClipboardTest, SystemClipboardKeepsNamedFormatsAndReplacesThemWhole) {
  keepsNamedFormatsAndReplacesThemWhole();
#ifdef _WIN32
  // Through OLE the data is flushed at once: it outlives OLE on this thread, and the plain
  // clipboard functions of another program see both formats.
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  keepsNamedFormatsAndReplacesThemWhole();
  ASSERT_TRUE(systemClipboard().put({{"Tamborak Loop", "loop"}, {"Standard MIDI File", "MThd"}}));
  OleUninitialize();
  std::string got;
  EXPECT_TRUE(systemClipboard().get("Tamborak Loop", got) && got.substr(0, 4) == "loop");
  EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatA("Standard MIDI File")));
#endif
}

}  // namespace
}  // namespace velmora::platform
