#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "library/LibraryFolders.h"
#include "platform/System.h"
#include "tests/TempFolder.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {
std::string slash(const fs::path& folder) { return folder.string() + static_cast<char>(fs::path::preferred_separator); }
}  // namespace

// Which library a program uses and where the user's files go: a copied folder or build tree, a
// read-only program folder, a machine-wide install (even run as root), no library anywhere; the
// shipped kits are found like the patterns.
TEST(LibraryFolders, ShippedLibraryAndUserFilesFollowWhereTheProgramIsInstalled) {
  test::TempFolder root;
  const fs::path own = root.path() / "own", bin = root.path() / "bin", user = root.path() / "user";
  const fs::path none = root.path() / "a", share = root.path() / "b";
  const fs::path kits = root.path() / "c" / "Kits";
  for (const fs::path& folder : {own / "Patterns", own / "Kits", bin, none, share / "Patterns", kits})
    fs::create_directories(folder);
  const std::vector<std::string> shared = {none.string(), share.string(), (root.path() / "c").string()};
  const struct {
    fs::path program;
    bool writable;
    std::vector<std::string> shared;
    fs::path patterns, userFiles, kits;
  } cases[] = {{own, true, shared, own / "Patterns", own, own / "Kits"},
               {own, false, shared, own / "Patterns", user, own / "Kits"},
               {bin, true, shared, share / "Patterns", user, kits},
               {bin, false, shared, share / "Patterns", user, kits},
               {bin, true, {}, bin / "Patterns", bin, {}},
               {bin, false, {none.string()}, bin / "Patterns", user, {}}};
  for (const auto& c : cases) {
    const LibraryFolders f = libraryFoldersFor({c.program.string(), c.writable, user.string(), c.shared});
    EXPECT_EQ(f.patterns, slash(c.patterns)) << c.program << c.writable;
    EXPECT_EQ(f.loops + f.drumMaps + f.noteNames,
              slash(c.userFiles / "Loops") + slash(c.userFiles / "DrumMaps") + slash(c.userFiles / "NoteNames"))
        << c.program << c.writable;
    EXPECT_EQ(f.kitNoteNames + f.kitDrumMaps,
              c.kits.empty() ? "" : slash(c.kits / "NoteNames") + slash(c.kits / "DrumMaps"))
        << c.program << c.writable;
  }
  EXPECT_EQ(libraryFoldersFor({own.string(), false, "", shared}).loops, slash(own / "Loops")) << "no user folder";

  EXPECT_TRUE(platform::canCreateFilesIn(own.string()));
  EXPECT_FALSE(platform::canCreateFilesIn((root.path() / "missing").string()));
  EXPECT_EQ(std::distance(fs::directory_iterator(own), fs::directory_iterator()), 2) << "the probe file stays";
}

#ifndef _WIN32
// The XDG variables, through the engine's library start-up; empty and relative entries are skipped.
TEST(LibraryFolders, InstalledProgramFindsTheSharedLibraryAndMakesTheUsersFolders) {
  test::TempFolder root;
  const fs::path share = root.path() / "share", bin = root.path() / "bin", data = root.path() / "data";
  fs::create_directories(share / "tamborak" / "Patterns");
  fs::create_directories(bin);
  setenv("XDG_DATA_DIRS", ("relative::" + share.string() + "/").c_str(), 1);
  setenv("XDG_DATA_HOME", data.string().c_str(), 1);
  EXPECT_EQ(platform::sharedDataFolders(), std::vector<std::string>{(share / "tamborak").string()});
  resetLibrary();
  initLibrary(bin.string());
  EXPECT_EQ(libraryFolders().patterns + libraryFolders().loops,
            slash(share / "tamborak" / "Patterns") + slash(data / "tamborak" / "Loops"));
  EXPECT_TRUE(fs::is_directory(data / "tamborak" / "DrumMaps") && fs::is_directory(data / "tamborak" / "NoteNames"));
  EXPECT_FALSE(fs::exists(bin / "Loops"));
  resetLibrary();

  setenv("XDG_DATA_HOME", "relative/data", 1);
  unsetenv("XDG_DATA_DIRS");
  EXPECT_EQ(platform::userDataFolder(), std::string(std::getenv("HOME")) + "/.local/share/tamborak");
  EXPECT_EQ(platform::sharedDataFolders(), (std::vector<std::string>{"/usr/local/share/tamborak", "/usr/share/tamborak"}));
  unsetenv("XDG_DATA_HOME");
}
#endif
