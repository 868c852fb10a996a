// The system's clipboard (the real one on Windows) keeps formats apart by name and replaces its
// whole content on each put.
#include <gtest/gtest.h>

#include <string>

#include "platform/Clipboard.h"

namespace velmora::platform {
namespace {

TEST(ClipboardTest, SystemClipboardKeepsNamedFormatsAndReplacesThemWhole) {
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

}  // namespace
}  // namespace velmora::platform
