#include <gtest/gtest.h>

#include <filesystem>

#include "library/LoopLoader.h"
#include "library/TreeNode.h"
#include "midi/MidiTrack.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"
#include "tests/midi/MidiTestBytes.h"

using namespace velmora;

namespace {

struct RecordingLoader : LoopLoader {
  std::string bytes;
  int flags = -1;
  bool LoadLoop(CUniStream& stream, int f) override {
    flags = f;
    char block[5];
    for (std::uint32_t n; (n = stream.read(block, sizeof block)) > 0;) bytes.append(block, n);
    return !bytes.empty();
  }
};

// A library with one pattern file and a volume packed from the same folder.
struct Library {
  test::TempFolder source, dir;
  std::unique_ptr<FolderNode> root;
  explicit Library(const std::string& smf) {
    test::writeFile(source.path(), "Kick\\p.mid", smf);
    test::writeFile(source.path(), "Kick\\empty.mid", "");
    test::writeFile(source.path(), "Default.mid", "loop block");
    test::packFolderAsVolume(source.path(), dir.path(), "Vol");
    test::writeFile(dir.path(), "Plain\\Kick\\p.mid", smf);
    root = test::scanFolder(dir.path());
  }
  // The leaf at `path`; a missing one fails the test and stands in as a leaf without a parent,
  // which reads nothing.
  TerminalNode* leaf(const std::string& path) {
    TerminalNode* found = findLeafByPath(root.get(), path);
    if (!found) ADD_FAILURE() << path << " not found";
    return found ? found : &missing;
  }
  TerminalNode missing{"missing", nullptr};
};

}  // namespace

TEST(LeafContents, FilesAndVolumesGiveTheSameMidiAndLoopBytesAndFailWithoutData) {
  Library lib(test::readDataFile("midi/format0_running_status.mid"));
  CMidiTrack fromFile, fromVolume;
  ASSERT_TRUE(lib.leaf("Plain\\Kick\\p.mid")->readMidi(&fromFile));
  ASSERT_TRUE(lib.leaf("Vol\\Kick\\p.mid")->readMidi(&fromVolume));
  EXPECT_GT(fromFile.eventCount(), 0u);
  EXPECT_EQ(fromFile.events(), fromVolume.events());

  RecordingLoader loader;
  EXPECT_TRUE(lib.leaf("Vol\\Default.mid")->loadLoop(&loader));
  EXPECT_EQ(loader.bytes, "loop block");
  EXPECT_EQ(loader.flags, 0);
  EXPECT_FALSE(lib.leaf("Vol\\Default.mid")->loadLoop(nullptr));

  CMidiTrack track;
  EXPECT_FALSE(lib.leaf("Vol\\Kick\\empty.mid")->readMidi(&track));
  EXPECT_FALSE(lib.leaf("Vol\\Kick\\p.mid")->readMidi(nullptr));
  TerminalNode orphan("p.mid", nullptr);
  EXPECT_FALSE(orphan.readMidi(&track));
  TerminalNode* plain = lib.leaf("Plain\\Kick\\p.mid");
  std::filesystem::remove(plain->fsPath());
  EXPECT_FALSE(plain->readMidi(&track));
  RecordingLoader empty;
  EXPECT_FALSE(plain->loadLoop(&empty));  // a vanished file reads as empty; the loader refuses it
  EXPECT_EQ(empty.flags, 0);
}
