// The tamborak program run as a child process on hostile input: special and huge files,
// unreadable files and folders, names with control characters and backslashes, packing a
// folder into itself, and an output that cannot be written.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/TempFolder.h"
#include "tests/app/ProgramRun.h"
#include "tests/library/LibraryFiles.h"

namespace {

namespace fs = std::filesystem;
using velmora::test::makeTree;
using velmora::test::readWholeFile;
using velmora::test::hasRawControl;

velmora::test::ProgramResult run(const fs::path& dir, const std::string& command) {
  return velmora::test::runProgram(dir, command);
}

}  // namespace

TEST(LibraryCommands, HostileFilesFailClearlyWithoutHangingLosingDataOrReachingTheTerminal) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  makeTree(d, {"Src\\Kick\\a.mid", "Src\\\x1b[31mred.mid", "Bad\\ok.mid", "Locked\\ok.mid", "Locked\\Sub\\x.mid",
               "Self\\a.mid", "Lib\\Vol\\1.Kick\\Kick\\p.mid", "Lib\\\x1b]2;title\x07" "Esc\\k.mid",
               "Lib\\\xe0\x80\x80\xed\xa0\x80 Odd\\k.mid"});
  ASSERT_EQ(mkfifo((d / "Pipe").c_str(), 0600), 0);
  fs::create_symlink("/proc/self/mem", d / "Bad" / "mem.mid");  // a regular file that fails every read
  fs::create_symlink("nowhere", d / "Self" / "gone.mid");        // holds nothing: no reason to fail
  std::ofstream(d / "Lib" / "Vol" / "x\\y.mid") << "a name with a backslash";
  ASSERT_EQ(run(d, "$T volume pack Src Escaped").exit, 0);
  fs::copy_file(d / "Escaped", d / "Huge");  // a real volume made larger than any volume may be
  fs::resize_file(d / "Huge", (std::uintmax_t{64} << 20) + 1);
  fs::permissions(d / "Locked" / "Sub", fs::perms::none);

  struct Case {
    const char* what;
    std::string command;
    int exit;
    std::string outHas, errHas, absent;  // texts the outputs must hold; a file that must not exist
  };
  const Case cases[] = {
      {"a named pipe is refused, not waited on", "$T volume list Pipe", 1, "", "Pipe: not a regular file", ""},
      {"a device is refused, not read", "$T volume list /dev/zero", 1, "", "/dev/zero: not a regular file", ""},
      {"an oversized volume is refused", "$T volume list Huge", 1, "", "Huge: larger than", ""},
      {"names are printed with control characters escaped", "$T volume list Escaped", 0,
       "\\x1b[31mred.mid\n", "", ""},
      {"an output that cannot be written fails", "$T volume list Escaped >/dev/full", 1, "", "standard output", ""},
      {"an unreadable pattern fails the pack", "$T volume pack Bad BadOut", 1, "", "mem.mid: ", "BadOut"},
      {"an unreadable folder fails the pack", "$DROP $T volume pack Locked LockedOut", 1, "", "Sub", "LockedOut"},
      {"packing into the folder packed leaves the output out",
       "$T volume pack Self Self/Out && $T volume pack Self Self/Out && $T volume list Self/Out", 0,
       "a.mid\n1 pattern in 0 folders", "", ""},
      {"a write error names the file asked for", "$T volume pack Src Missing/Out", 1, "", "Missing/Out: ", ""},
      {"a backslash in a name is skipped with a warning, and folder names are escaped", "$T library Lib", 0,
       "\\x1b]2;title\\x07Esc: 1 pattern\n", "x\\y.mid", ""},
      {"the summary invents no folder from a backslash", "$T library Lib", 0, "Vol: 1 pattern\n", "", ""},
      {"an overlong form and a surrogate in a name are escaped in JSON", "$T library --json Lib", 0,
       "\"\\\\xe0\\\\x80\\\\x80\\\\xed\\\\xa0\\\\x80 Odd\"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = run(d, c.command);
    EXPECT_EQ(r.exit, c.exit) << r.err;
    EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    EXPECT_FALSE(hasRawControl(r.out) || hasRawControl(r.err)) << r.out << r.err;
    EXPECT_EQ((r.out + r.err).find_first_of("\xe0\xed"), std::string::npos) << "invalid UTF-8 passed through";
    EXPECT_EQ(r.err.find(".tmp"), std::string::npos) << r.err;  // never the temporary name
    if (!c.absent.empty()) {
      EXPECT_FALSE(fs::exists(d / c.absent));
    }
  }
  for (const auto& e : fs::directory_iterator(d))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
  fs::permissions(d / "Locked" / "Sub", fs::perms::owner_all);
}

TEST(KitCommands, ImportWritesSetsAndMapsBesideTheProgramOrIntoAFolderAndListsBoth) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  fs::create_directories(d / "bin" / "Patterns");  // a program with its own library: folders beside it
  fs::copy_file(TAMBORAK_PROGRAM, d / "bin" / "tamborak");
  fs::copy_file(velmora::test::testDataPath("kits/lv2-drums.midnam"), d / "kit.midnam");
  std::ofstream(d / "cut.xml") << "<midimap><map note=\"36\" instr=\"K";
  const fs::path names = d / "bin" / "NoteNames" / "Studio Kit.txt";
  const fs::path map = d / "bin" / "DrumMaps" / "Studio Kit.tbm";

  auto r = run(d, "bin/tamborak kit import kit.midnam");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(r.out.find("maracas          key 70 -> note  61 Maracas"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("not placed (these keys keep their own note): mute high conga, open high conga, low conga"),
            std::string::npos);
  EXPECT_NE(readWholeFile(names).find("61 Maracas\n"), std::string::npos);
  fs::resize_file(map, 1);
  r = run(d, "bin/tamborak kit import kit.midnam");
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("exists (use --force to replace it)"), std::string::npos) << r.err;
  EXPECT_EQ(fs::file_size(map), 1u);

  // Shipped kits, as the build makes them: every file is tried, the first failure sets the status.
  r = run(d, "bin/tamborak kit import --into bin/Kits cut.xml kit.midnam");
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("cut.xml: the file ends inside a tag"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(d / "bin" / "Kits" / "DrumMaps" / "Studio Kit.tbm"));
  r = run(d, "bin/tamborak kit import --into bin/Kits --name Shipped kit.midnam && bin/tamborak kit import --force "
             "kit.midnam && bin/tamborak kit import --name Second kit.midnam && bin/tamborak kit list");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_GT(fs::file_size(map), 128u);
  const std::string shipped = ", shipped " + (d / "bin" / "Kits").string();
  EXPECT_NE(r.out.find("note-name sets (" + (d / "bin" / "NoteNames").string() + "/" + shipped +
                       "/NoteNames/):\n  Second\n  Shipped\n  Studio Kit\ndrum maps ("),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find(shipped + "/DrumMaps/):\n"), std::string::npos) << r.out;

  EXPECT_EQ(run(d, "bin/tamborak kit import --name ../x kit.midnam").exit, 2);
  EXPECT_EQ(run(d, "bin/tamborak kit import --name Two kit.midnam kit.midnam").exit, 2);
  EXPECT_FALSE(fs::exists(d / "bin" / "x.txt") || fs::exists(d / "bin" / "NoteNames" / "Two.txt"));
}
