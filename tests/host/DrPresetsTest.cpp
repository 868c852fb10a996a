// The sampler's presets beside the program reach the sampler's preset folder once; the setting
// that says so is only stored when every one of them is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/DrPresets.h"
#include "io/UniRegistry.h"
#include "tests/ScratchRegistry.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(DrPresets, CopiedOnceWhenEveryPresetArrives) {
#ifdef _WIN32
  GTEST_SKIP() << "would change the sampler's settings of this machine; the Windows test host covers it";
#endif
  enum class Path { kNoKey, kEmpty, kSeparator, kNoSeparator, kMissingFolder };
  const struct {
    const char* what;
    Path path;
    bool shipsPresets;  // a "Dr-008" folder beside the program
    bool ownCopy;       // the preset folder holds its own "a.drs"
    bool copied;
  } cases[] = {
      {"no sampler key", Path::kNoKey, true, false, false},
      {"empty preset path", Path::kEmpty, true, false, false},
      {"path ending in a separator", Path::kSeparator, true, false, true},
      {"path without a separator", Path::kNoSeparator, true, false, true},
      {"a preset already there", Path::kNoSeparator, true, true, true},
      {"preset folder missing", Path::kMissingFolder, true, false, false},
      {"no presets shipped", Path::kNoSeparator, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchRegistry registry;
    test::TempFolder program, sampler;
    const fs::path presets = sampler.path() / "Presets", later = sampler.path() / "Later";
    fs::create_directory(presets);
    if (c.shipsPresets) {
      fs::create_directories(program.path() / "Dr-008" / "folder.drs");
      for (const char* name : {"a.drs", "B.DRS", "readme.txt"}) std::ofstream(program.path() / "Dr-008" / name) << name;
    }
    if (c.ownCopy) std::ofstream(presets / "a.drs") << "own";
    if (c.path != Path::kNoKey) {
      std::string path = c.path == Path::kEmpty ? "" : (c.path == Path::kMissingFolder ? later : presets).string();
      if (c.path == Path::kSeparator) path += static_cast<char>(fs::path::preferred_separator);
      platform::RegKey key = platform::kNoKey;
      ASSERT_EQ(platform::regCreateKey(platform::kLocalMachine, kDrConfigKey, platform::kKeyAllAccess, key), 0);
      platform::regSetString(key, kDrPresetPathValue, path);
      platform::regCloseKey(key);
    }
    const auto copy = [&] { return copyDrPresets(program.path().string(), test::ScratchRegistry::kApplicationKey); };

    EXPECT_EQ(copy(), c.copied);
    EXPECT_EQ(settings::getProfileInt(settings::kDrPresetsCopied, test::ScratchRegistry::kApplicationKey), c.copied);
    const auto files = std::distance(fs::directory_iterator(presets), fs::directory_iterator());
    if (c.copied && c.shipsPresets) {
      EXPECT_EQ(test::readWholeFile(presets / "a.drs"), c.ownCopy ? "own" : "a.drs");
      EXPECT_EQ(test::readWholeFile(presets / "B.DRS"), "B.DRS");
      EXPECT_EQ(files, 2) << "only the presets, and no temporary file left";
      // Once copied, never again: a preset the user deleted stays deleted.
      fs::remove(presets / "B.DRS");
      EXPECT_TRUE(copy());
      EXPECT_FALSE(fs::exists(presets / "B.DRS"));
    } else {
      EXPECT_EQ(files, 0);
    }
    if (c.path == Path::kMissingFolder) {
      // The copy failed, so the next start tries again and succeeds once the folder is there.
      fs::create_directory(later);
      EXPECT_TRUE(copy());
      EXPECT_EQ(test::readWholeFile(later / "B.DRS"), "B.DRS");
    }
  }
}

}  // namespace
}  // namespace velmora
