#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/FileAccess.h"
#include "platform/SafeSave.h"
#include "platform/System.h"
#include "tests/TempFolder.h"

using velmora::io::File;
namespace fs = std::filesystem;

namespace {
std::vector<std::string> traceLines;
void recordTrace(const char* line) { traceLines.emplace_back(line); }

void writeBytes(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
}  // namespace

TEST(File, MissingFileBehavesAsEmptyAndTracesOneLine) {
  velmora::test::TempFolder dir;
  traceLines.clear();
  velmora::platform::setTraceSink(recordTrace);
  const std::string name = (dir.path() / "missing.tbk").string();
  File f(name, File::kGenericRead, File::kOpenExisting);
  velmora::platform::setTraceSink(nullptr);
  EXPECT_FALSE(f.isOpen());
  char buf[4];
  EXPECT_EQ(f.size(), 0u);
  EXPECT_EQ(f.read(buf, 4), 0u);
  EXPECT_EQ(f.write("abcd", 4), 0u);
  EXPECT_EQ(f.seek(0, File::kEnd), 0u);
  ASSERT_EQ(traceLines.size(), 1u);
  EXPECT_EQ(traceLines[0].rfind(name + ": ", 0), 0u) << traceLines[0];
  EXPECT_EQ(traceLines[0].back(), '\n');
  File folder(dir.path().string(), File::kGenericRead, File::kOpenExisting);  // a folder is no file
  EXPECT_FALSE(folder.isOpen());
}

TEST(File, WritesSeeksAndReadsAndOnlyReadersShareAFile) {
  velmora::test::TempFolder dir;
  const std::string name = (dir.path() / "a.bin").string();
  {
    File w(name, File::kGenericWrite, File::kCreateAlways);
    ASSERT_TRUE(w.isOpen());
    EXPECT_EQ(w.write("hello world", 11), 11u);
    EXPECT_EQ(w.size(), 11u);
  }
  File reader1(name, File::kGenericRead, File::kOpenExisting);
  File reader2(name, File::kGenericRead, File::kOpenExisting);
  ASSERT_TRUE(reader1.isOpen());
  EXPECT_TRUE(reader2.isOpen());
  EXPECT_EQ(reader1.seek(6, File::kBegin), 6u);
  char buf[16] = {};
  EXPECT_EQ(reader1.read(buf, 16), 5u);
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(reader1.read(buf, 1), 0u);
  // A writer cannot open while readers hold the file, and must not truncate it trying.
  File writer(name, File::kGenericWrite, File::kCreateAlways);
  EXPECT_FALSE(writer.isOpen());
  EXPECT_EQ(reader1.size(), 11u);
  reader1.close();
  EXPECT_FALSE(reader1.isOpen());
  reader2.close();

  ASSERT_TRUE(writer.open(name, File::kGenericWrite, File::kCreateAlways));
  EXPECT_EQ(writer.size(), 0u);  // creating again truncates
  File reader3(name, File::kGenericRead, File::kOpenExisting);
  EXPECT_FALSE(reader3.isOpen());
  File writer2(name, File::kGenericWrite, File::kOpenExisting);
  EXPECT_FALSE(writer2.isOpen());
  writer.close();
  EXPECT_TRUE(reader3.open(name, File::kGenericRead, File::kOpenExisting));
}

TEST(SaveFileWhole, ReplacesTheOldFileLeavingNoTemporaryOrFailsSayingWhy) {
  velmora::test::TempFolder dir;
  const fs::path p = dir.path() / "settings.reg";
  writeBytes(p, "old content");
  std::string error;
  ASSERT_TRUE(velmora::platform::saveFileWhole(p.string(), "new", error)) << error;
  EXPECT_EQ(velmora::test::readWholeFile(p), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  error.clear();
  const std::string missing = (dir.path() / "no" / "such" / "x").string();
  EXPECT_FALSE(velmora::platform::saveFileWhole(missing, "x", error));
  EXPECT_EQ(error.rfind(missing + ": ", 0), 0u) << error;  // the file asked for, not its temporary name
}

#ifndef _WIN32
TEST(SaveFileWhole, FollowsLinksKeepsTheModeWritesDevicesAndPipesInPlaceAndLeavesNothingWhenTheRenameFails) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  fs::create_directory(d / "sub");
  writeBytes(d / "sub" / "real", "old");
  fs::permissions(d / "sub" / "real", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("sub/real", d / "link");
  fs::create_hard_link(d / "sub" / "real", d / "hard");
  ASSERT_EQ(mknod((d / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << std::strerror(errno);  // our own null device
  ASSERT_EQ(mkfifo((d / "pipe").c_str(), 0600), 0);
  // One file by any name, or one place where nothing is yet: writing one destroys the other.
  const struct { const char *a, *b; bool same; } pairs[] = {
      {"link", "sub/real", true}, {"hard", "sub/./real", true}, {"new", "sub/../new", true},
      {"null", "null", false},    {"sub/real", "sub", false},   {"new", "sub/new", false}};
  for (const auto& p : pairs)
    EXPECT_EQ(velmora::platform::sameRegularFile((d / p.a).string(), (d / p.b).string()), p.same) << p.a << " " << p.b;

  // A symbolic link: its target gets the new file with the old mode, the link stays. A hard link
  // is split: the name saved to gets the new file, the other name keeps the old one.
  std::string error;
  ASSERT_TRUE(velmora::platform::saveFileWhole((d / "link").string(), "through the link", error)) << error;
  EXPECT_TRUE(fs::is_symlink(d / "link"));
  EXPECT_EQ(velmora::test::readWholeFile(d / "sub" / "real"), "through the link");
  EXPECT_EQ(fs::status(d / "sub" / "real").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(velmora::test::readWholeFile(d / "hard"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(d / "sub"), fs::directory_iterator()), 1);

  // A link planted where the temporary file once was (its name was foreseeable) is not followed.
  writeBytes(d / "victim", "victim");
  fs::create_symlink("victim", d / ("out.tmp" + std::to_string(getpid())));
  ASSERT_TRUE(velmora::platform::saveFileWhole((d / "out").string(), "out", error)) << error;
  EXPECT_EQ(velmora::test::readWholeFile(d / "victim"), "victim");

  // A device and a pipe with a reader are written as they are.
  ASSERT_TRUE(velmora::platform::saveFileWhole((d / "null").string(), "gone", error)) << error;
  EXPECT_TRUE(fs::is_character_file(d / "null"));
  const int reader = open((d / "pipe").c_str(), O_RDONLY | O_NONBLOCK);  // a pipe replaced by a file gives nothing
  EXPECT_TRUE(velmora::platform::saveFileWhole((d / "pipe").string(), "piped", error)) << error;
  char piped[8] = {};
  EXPECT_EQ(read(reader, piped, sizeof piped), 5);
  close(reader);
  EXPECT_STREQ(piped, "piped");
  EXPECT_TRUE(fs::is_fifo(d / "pipe"));

  // A folder cannot be replaced: the save fails and its temporary file goes.
  fs::create_directory(d / "folder");
  const auto before = std::distance(fs::directory_iterator(d), fs::directory_iterator());
  EXPECT_FALSE(velmora::platform::saveFileWhole((d / "folder").string(), "x", error));
  EXPECT_EQ(std::distance(fs::directory_iterator(d), fs::directory_iterator()), before);
  EXPECT_TRUE(fs::is_empty(d / "folder"));
}

TEST(SaveFileWholeDeathTest, ATerminatedProgramLeavesNoTemporaryFile) {
  velmora::test::TempFolder dir;
  const std::string target = (dir.path() / "out.wav").string();
  EXPECT_EXIT(
      {
        velmora::platform::removeTemporaryFilesOnSignals();
        velmora::platform::TemporaryFile file;
        std::string error;
        if (file.create(target, "half", error)) raise(SIGTERM);
      },
      testing::KilledBySignal(SIGTERM), "");
  EXPECT_TRUE(fs::is_empty(dir.path()));
}
#endif

TEST(FileAccess, IdentitiesFollowTheFolderAndReadingChecksKindStartAndSize) {
  using namespace velmora::platform;
  velmora::test::TempFolder dir;
  fs::create_directories(dir.path() / "a");
  fs::create_directories(dir.path() / "b");
  FileIdentity a, a2, b;
  ASSERT_TRUE(fileIdentity((dir.path() / "a").string(), a) && fileIdentity((dir.path() / "b" / ".." / "a").string(), a2) &&
              fileIdentity((dir.path() / "b").string(), b));
  EXPECT_EQ(a, a2);
  EXPECT_NE(a, b);
  EXPECT_FALSE(fileIdentity((dir.path() / "none").string(), b));

  const std::string file = (dir.path() / "f").string();
  writeBytes(file, "0123456789");
  struct Case { std::string path; std::uint64_t max; std::string start; FileRead result; };
  for (const Case& c : {Case{(dir.path() / "a").string(), 99, "", FileRead::kNotAFile},
                        Case{file, 10, "012", FileRead::kRead}, Case{file, 9, "", FileRead::kTooLarge},
                        Case{file, 5, "x", FileRead::kWrongStart},  // the start is checked before the size
                        Case{(dir.path() / "none").string(), 99, "", FileRead::kFailed}}) {
    std::string bytes = "old", error;
    EXPECT_EQ(readRegularFile(c.path, c.max, c.start, bytes, error), c.result) << c.path << " " << c.max;
    EXPECT_EQ(bytes, c.result == FileRead::kRead ? "0123456789" : "");
    EXPECT_EQ(error.empty(), c.result == FileRead::kRead || c.result == FileRead::kWrongStart) << error;
  }
}
