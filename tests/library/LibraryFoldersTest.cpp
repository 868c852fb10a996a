#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "library/LibraryFolders.h"
#include "library/PatternTree.h"
#include "platform/System.h"
#include "tests/TempFolder.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {
std::string slash(const fs::path& folder) {
  return folder.string() + static_cast<char>(fs::path::preferred_separator);
}
}  // namespace

// Which library a program uses and where the user's files go, for a copied folder, a read-only
// program folder, a machine-wide install and a program without any library.
TEST(LibraryFolders, ShippedLibraryAndUserFilesFollowWhereTheProgramIsInstalled) {
  test::TempFolder root;
  const fs::path own = root.path() / "own", bare = root.path() / "bin", user = root.path() / "user";
  const fs::path emptyShare = root.path() / "share0" / "tamborak", share = root.path() / "share1" / "tamborak";
  fs::create_directories(own / "Patterns");
  fs::create_directories(bare);
  fs::create_directories(emptyShare);
  fs::create_directories(share / "Patterns");
  fs::create_directories(root.path() / "share2" / "tamborak" / "Patterns");
  const std::vector<std::string> shared = {emptyShare.string(), share.string(),
                                           (root.path() / "share2" / "tamborak").string()};

  struct Case {
    fs::path program;
    bool writable;
    std::vector<std::string> shared;
    fs::path patterns, userFiles;
  } cases[] = {
      {own, true, shared, own / "Patterns", own},             // a build tree or a copied folder
      {own, false, shared, own / "Patterns", user},           // under Program Files as a user
      {bare, true, shared, share / "Patterns", user},         // /usr/bin, even as root
      {bare, false, shared, share / "Patterns", user},        // /usr/bin as a user
      {bare, true, {}, bare / "Patterns", bare},              // no library anywhere: as before
      {bare, false, {emptyShare.string()}, bare / "Patterns", user},
  };
  for (const Case& c : cases) {
    const LibraryFolders f = libraryFoldersFor({c.program.string(), c.writable, user.string(), c.shared});
    EXPECT_EQ(f.patterns, slash(c.patterns)) << c.program << c.writable;
    EXPECT_EQ(f.loops, slash(c.userFiles / "Loops")) << c.program << c.writable;
    EXPECT_EQ(f.drumMaps, slash(c.userFiles / "DrumMaps"));
    EXPECT_EQ(f.noteNames, slash(c.userFiles / "NoteNames"));
  }
  // Without a user folder, nothing better than the program's own.
  EXPECT_EQ(libraryFoldersFor({own.string(), false, "", shared}).loops, slash(own / "Loops"));

  EXPECT_TRUE(platform::canCreateFilesIn(own.string()));
  EXPECT_FALSE(platform::canCreateFilesIn((root.path() / "missing").string()));
  EXPECT_EQ(std::distance(fs::directory_iterator(own), fs::directory_iterator()), 1) << "the probe file stays";
}

#ifndef _WIN32
// The XDG variables as a machine-wide install sees them, through the engine's library start-up.
TEST(LibraryFolders, InstalledProgramFindsTheSharedLibraryAndMakesTheUsersFolders) {
  test::TempFolder root;
  const fs::path share = root.path() / "share", bin = root.path() / "bin", data = root.path() / "data";
  fs::create_directories(share / "tamborak" / "Patterns" / "Vol");
  fs::create_directories(bin);
  const std::string savedDirs = std::getenv("XDG_DATA_DIRS") ? std::getenv("XDG_DATA_DIRS") : "";
  const std::string savedHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  // Empty and relative entries are skipped.
  setenv("XDG_DATA_DIRS", ("relative::" + (root.path() / "none").string() + ":" + share.string() + "/").c_str(), 1);
  setenv("XDG_DATA_HOME", data.string().c_str(), 1);
  EXPECT_EQ(platform::sharedDataFolders(),
            (std::vector<std::string>{(root.path() / "none" / "tamborak").string(), (share / "tamborak").string()}));
  EXPECT_EQ(platform::userDataFolder(), (data / "tamborak").string());

  resetLibrary();
  initLibrary(bin.string());
  EXPECT_EQ(libraryFolders().patterns, slash(share / "tamborak" / "Patterns"));
  EXPECT_EQ(libraryFolders().loops, slash(data / "tamborak" / "Loops"));
  EXPECT_TRUE(fs::is_directory(data / "tamborak" / "Loops") && fs::is_directory(data / "tamborak" / "DrumMaps") &&
              fs::is_directory(data / "tamborak" / "NoteNames"));
  EXPECT_FALSE(fs::exists(bin / "Loops"));
  resetLibrary();

  setenv("XDG_DATA_HOME", "relative/data", 1);
  unsetenv("XDG_DATA_DIRS");
  EXPECT_EQ(platform::userDataFolder(), std::string(std::getenv("HOME")) + "/.local/share/tamborak");
  EXPECT_EQ(platform::sharedDataFolders(), (std::vector<std::string>{"/usr/local/share/tamborak", "/usr/share/tamborak"}));
  savedDirs.empty() ? unsetenv("XDG_DATA_DIRS") : setenv("XDG_DATA_DIRS", savedDirs.c_str(), 1);
  savedHome.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", savedHome.c_str(), 1);
}
#endif
