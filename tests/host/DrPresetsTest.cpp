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

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::int32_t presetsCopied() {
  return settings::getProfileInt(settings::kDrPresetsCopied, test::ScratchRegistry::kApplicationKey);
}

bool copyPresets(const fs::path& program) {
  return copyDrPresets(program.string(), test::ScratchRegistry::kApplicationKey);
}

TEST(DrPresets, CopiedOnceWhenEveryPresetArrives) {
#ifdef _WIN32
  GTEST_SKIP() << "would change the sampler's settings of this machine; the Windows test host covers it";
#endif
  enum class Path { kNoKey, kEmpty, kSeparator, kNoSeparator, kMissingFolder };
  struct Case {
    const char* what;
    Path path;
    bool shipsPresets;  // a "Dr-008" folder beside the program
    bool ownCopy;       // the preset folder holds its own "a.drs"
    bool copied;
  };
  const Case cases[] = {
      {"no sampler key", Path::kNoKey, true, false, false},
      {"empty preset path", Path::kEmpty, true, false, false},
      {"path ending in a separator", Path::kSeparator, true, false, true},
      {"path without a separator", Path::kNoSeparator, true, false, true},
      {"a preset already there", Path::kNoSeparator, true, true, true},
      {"preset folder missing", Path::kMissingFolder, true, false, false},
      {"no presets shipped", Path::kNoSeparator, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchRegistry registry;
    test::TempFolder program, sampler;
    const fs::path presets = sampler.path() / "Presets";
    fs::create_directory(presets);
    if (c.shipsPresets) {
      const fs::path shipped = program.path() / "Dr-008";
      fs::create_directories(shipped / "folder.drs");
      writeFile(shipped / "a.drs", "A");
      writeFile(shipped / "B.DRS", "B");
      writeFile(shipped / "readme.txt", "not a preset");
    }
    if (c.ownCopy) writeFile(presets / "a.drs", "own");
    if (c.path != Path::kNoKey) {
      std::string path = c.path == Path::kEmpty ? "" : c.path == Path::kMissingFolder ? (sampler.path() / "Later").string()
                                                                                        : presets.string();
      if (c.path == Path::kSeparator) path += static_cast<char>(fs::path::preferred_separator);
      platform::RegKey key = platform::kNoKey;
      ASSERT_EQ(platform::regCreateKey(platform::kLocalMachine, kDrConfigKey, platform::kKeyAllAccess, key), 0);
      platform::regSetString(key, kDrPresetPathValue, path);
      platform::regCloseKey(key);
    }

    EXPECT_EQ(copyPresets(program.path()), c.copied);
    EXPECT_EQ(presetsCopied(), c.copied ? 1 : 0);
    const int files = static_cast<int>(std::distance(fs::directory_iterator(presets), fs::directory_iterator()));
    if (c.copied && c.shipsPresets) {
      EXPECT_EQ(test::readWholeFile(presets / "a.drs"), c.ownCopy ? "own" : "A");
      EXPECT_EQ(test::readWholeFile(presets / "B.DRS"), "B");
      EXPECT_EQ(files, 2) << "only the preset files, and no temporary file left";
      // Once copied, never again: a preset the user deleted stays deleted.
      fs::remove(presets / "B.DRS");
      EXPECT_TRUE(copyPresets(program.path()));
      EXPECT_FALSE(fs::exists(presets / "B.DRS"));
    } else {
      EXPECT_EQ(files, 0);
    }
    if (c.path == Path::kMissingFolder) {
      // The copy failed, so the next start tries again and succeeds once the folder is there.
      fs::create_directory(sampler.path() / "Later");
      EXPECT_TRUE(copyPresets(program.path()));
      EXPECT_EQ(test::readWholeFile(sampler.path() / "Later" / "B.DRS"), "B");
    }
  }
}

}  // namespace
}  // namespace velmora
