// The loop on the clipboard and dragged out: what copy offers, what paste takes and refuses, and
// the dragged file and its drop block.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/engine/EngineFixture.h"
#include "io/UniStream.h"
#include "platform/Clipboard.h"
#include "tests/TempFolder.h"

namespace velmora::test {
namespace {

std::string loopBytes(Tamborak& engine) {
  std::string bytes;
  CUniString stream(bytes);
  EXPECT_TRUE(engine.saveLoop(stream, false));
  return bytes;
}

class ClipboardTest : public EngineTest {
 protected:
  // Every engine here shares one clipboard and exports a stand-in MIDI file naming the pattern
  // of its first slice, so different loops export differently.
  ComRef<IMfxEventFilter> makeClipEngine() {
    ComRef<IMfxEventFilter> face = makeEngine();
    Tamborak& engine = engineOf(face);
    engine.setClipboard(&clipboard_);
    engine.setFileDrag(&drag_);
    engine.setLoopExporter([this](Tamborak& e, std::string& smf) {
      smf = midiOf(e);
      return exportWorks_;
    });
    return face;
  }
  std::string offered(const char* format) {
    std::string bytes;
    return clipboard_.get(format, bytes) ? bytes : "<none>";
  }
  static std::string midiOf(Tamborak& engine) { return "MThd:" + engine.getSlice(0)->file(); }

  platform::MemoryClipboard clipboard_;
  platform::RecordingFileDrag drag_;
  bool exportWorks_ = true;
};

TEST_F(ClipboardTest, CopyOffersBothFormatsAndPasteReproducesTheLoopInAnotherEngine) {
  ComRef<IMfxEventFilter> a = makeClipEngine(), b = makeClipEngine();
  Tamborak& first = engineOf(a);
  Tamborak& second = engineOf(b);
  fillLoop(first, 3);
  first.getSlice(2)->setMute(true, false);
  ASSERT_NE(loopBytes(first), loopBytes(second));

  ASSERT_TRUE(first.copyLoop());
  EXPECT_EQ(clipboard_.formatCount(), 2u);
  EXPECT_EQ(offered("Tamborak Loop"), loopBytes(first));
  EXPECT_EQ(offered("Standard MIDI File"), midiOf(first));

  ASSERT_TRUE(second.pasteLoop());
  EXPECT_EQ(loopBytes(second), loopBytes(first));
  EXPECT_TRUE(second.getSlice(2)->muted() && second.getSlice(5)->file() == first.getSlice(5)->file());
  // A loop file the program wrote before fills pastes and is written again byte for byte, with
  // an empty fill and no phrase after it.
  const std::string file = readWholeFile(testDataPath("compat/loop-v11.tbk"));
  clipboard_.put({{"Tamborak Loop", file}});
  ASSERT_TRUE(second.pasteLoop());
  const std::string again = loopBytes(second);
  EXPECT_EQ(std::tuple(again[0], again.substr(4, file.size() - 4), again.substr(file.size(), 3)),
            std::tuple('\x0C', file.substr(4), std::string(3, '\0')));

  // A failing export leaves the MIDI file out but still offers the loop, replacing the old content.
  fillLoop(first, 1);
  exportWorks_ = false;
  ASSERT_TRUE(first.copyLoop());
  EXPECT_EQ(clipboard_.formatCount(), 1u);
  EXPECT_EQ(offered("Tamborak Loop"), loopBytes(first));
  EXPECT_EQ(offered("Standard MIDI File"), "<none>");
}

TEST_F(ClipboardTest, PasteOfMissingDamagedOrForeignDataChangesNothing) {
  ComRef<IMfxEventFilter> a = makeClipEngine(), b = makeClipEngine();
  Tamborak& target = engineOf(b);
  fillLoop(engineOf(a), 2);
  fillLoop(target, 4);
  const std::string good = loopBytes(engineOf(a)), before = loopBytes(target);
  std::string oldVersion = good;
  oldVersion[0] = 10;
  const struct {
    const char* what;
    std::vector<platform::ClipItem> items;
  } cases[] = {
      {"empty clipboard", {}},
      {"only a MIDI file", {{"Standard MIDI File", good}}},
      {"empty block", {{"Tamborak Loop", ""}}},
      {"truncated block", {{"Tamborak Loop", good.substr(0, good.size() / 2)}}},
      {"old version", {{"Tamborak Loop", oldVersion}}},
      {"zeros", {{"Tamborak Loop", std::string(4096, '\0')}}},
      {"a MIDI file", {{"Tamborak Loop", std::string("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\4\0\xFF\x2F\0", 26)}}},
  };
  for (const auto& c : cases) {
    clipboard_.put(c.items);
    EXPECT_FALSE(target.pasteLoop()) << c.what;
    EXPECT_EQ(loopBytes(target), before) << c.what;
  }
  // A system block may be rounded up with zeros past the loop: it is still the loop.
  clipboard_.put({{"Tamborak Loop", good + std::string(4096 - good.size() % 4096, '\0')}});
  EXPECT_TRUE(target.pasteLoop() && loopBytes(target) == good);
}

TEST_F(ClipboardTest, DragWritesTheFileWholeAndHandsOverItsDropBlock) {
  TempFolder folder;
  ComRef<IMfxEventFilter> face = makeClipEngine();
  Tamborak& engine = engineOf(face);
  engine.setDragFolder(folder.path().string());
  const std::filesystem::path file = folder.path() / "Tamborak.mid";
  fillLoop(engine, 1);
  { std::ofstream(file, std::ios::binary) << "an older file that is longer than the export"; }
  // A link to the old file keeps the old bytes when the new file replaces it by renaming.
  std::error_code linked;
  std::filesystem::create_hard_link(file, folder.path() / "kept", linked);

  ASSERT_EQ(engine.dragLoop(), platform::DragResult::kDropped);
  const std::string first = midiOf(engine);
  EXPECT_EQ(readWholeFile(file), first);
  if (!linked) {
    EXPECT_EQ(readWholeFile(folder.path() / "kept"), "an older file that is longer than the export");
  }
  ASSERT_EQ(drag_.blocks.size(), 1u);
  const std::string header("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
  EXPECT_EQ(drag_.blocks[0], header + file.string() + std::string(2, '\0'));

  // Dragging again replaces the same file; a cancelled drop says so.
  fillLoop(engine, 2);
  drag_.result = platform::DragResult::kCancelled;
  EXPECT_EQ(engine.dragLoop(), platform::DragResult::kCancelled);
  EXPECT_TRUE(readWholeFile(file) == midiOf(engine) && midiOf(engine) != first);
  EXPECT_EQ(drag_.blocks.size(), 2u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), linked ? 1 : 2)
      << "no temporary file is left behind";

  // Without a MIDI file, or where it cannot be written, no drag starts.
  exportWorks_ = false;
  EXPECT_EQ(engine.dragLoop(), platform::DragResult::kFailed);
  exportWorks_ = true;
  engine.setDragFolder((folder.path() / "missing").string());
  EXPECT_EQ(engine.dragLoop(), platform::DragResult::kFailed);
  EXPECT_EQ(drag_.blocks.size(), 2u);
  EXPECT_EQ(platform::dropFilesBlock(std::string("a\0b", 3)), "");

  // The path comes back out of a block; a block cut short, wide or pointing past itself gives none.
  const std::string block = platform::dropFilesBlock(file.string());
  EXPECT_EQ(platform::dropFilesPath(block), file.string());
  std::string wide = block, beyond = block;
  wide[16] = 1;
  beyond[0] = static_cast<char>(block.size());
  for (const std::string& bad : {block.substr(0, 19), block.substr(0, 22), wide, beyond})
    EXPECT_EQ(platform::dropFilesPath(bad), "");
}

}  // namespace
}  // namespace velmora::test
