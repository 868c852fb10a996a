// The registry file of POSIX systems: where it lives, what it looks like, and how it behaves
// across processes, under a kill in the middle of a save, and when it is damaged or unreadable.
#include <dlfcn.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "io/UniRegistry.h"
#include "platform/RegFile.h"
#include "tests/Golden.h"
#include "tests/ScratchRegistry.h"

using namespace velmora;
using test::readWholeFile;
using test::ScratchRegistry;
namespace fs = std::filesystem;

namespace {
constexpr const char* kApp = ScratchRegistry::kApplicationKey;
constexpr const char* kChildVariable = "TAMBORAK_REGISTRY_CHILD";

// Starts this test program again running only `test`; the child sees kChildVariable set.
pid_t startChild(const std::string& test) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv(kChildVariable, "1", 1);
    const std::string filter = "--gtest_filter=" + test;
    execl("/proc/self/exe", "child", filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int waitExitCode(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool isChild() { return std::getenv(kChildVariable) != nullptr; }

// Folders flushed through fsync while `watchedFile` is set, each with the bytes of `watchedFile`
// at that moment (this program's fsync stands in for the C library's and passes every call on).
std::vector<std::pair<ino_t, std::string>> flushedFolders;
fs::path watchedFile;

std::uintmax_t inodeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// A value whose every byte follows from its generation number (its first 4 bytes), so that a
// value mixed from two saves is recognised.
std::string generationValue(std::uint32_t generation) {
  std::string v(4, '\0');
  for (int i = 0; i < 4; ++i) v[static_cast<std::size_t>(i)] = static_cast<char>(generation >> (8 * i));
  for (std::uint32_t i = 0; i < 60000; ++i) v.push_back(static_cast<char>((generation * 31 + i * 7) >> 3));
  return v;
}

std::uint32_t generationOf(const std::string& v) {
  std::uint32_t g = 0;
  for (int i = 3; i >= 0; --i) g = g << 8 | static_cast<unsigned char>(v[static_cast<std::size_t>(i)]);
  return g;
}

std::string loadValue(const char* name) {
  CUniRegistry in(kApp, name);
  std::string bytes(1 << 20, '\0');
  bytes.resize(in.read(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
  return bytes;
}
}  // namespace

extern "C" int fsync(int fd) {
  using Fsync = int (*)(int);
  static const auto next = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
  struct stat st {};
  if (!watchedFile.empty() && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
    flushedFolders.emplace_back(st.st_ino, readWholeFile(watchedFile));
  return next(fd);
}

// Child halves of the tests below; skipped in ordinary runs.
TEST(RegistryChild, ReadsGlobalsAndWritesLast) {
  if (!isChild()) GTEST_SKIP() << "runs as a child process only";
  EXPECT_EQ(loadValue(settings::kGlobals), "from the parent");
  CUniRegistry out(kApp, settings::kLast);
  out.write("from the child", 14);
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 7, kApp));
}

TEST(RegistryChild, SavesForever) {
  if (!isChild()) GTEST_SKIP() << "runs as a child process only";
  const std::string old = loadValue("Big");
  for (std::uint32_t g = old.size() >= 4 ? generationOf(old) + 1 : 1;; ++g) {
    const std::string v = generationValue(g);
    CUniRegistry out(kApp, "Big");
    out.write(v.data(), static_cast<std::uint32_t>(v.size()));
  }
}

TEST(RegistryFile, IsRegistryExportTextInTheConfigFolder) {
  ScratchRegistry scratch;
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 42, kApp));
  // With a long binary value, the whole file is kept in the test data byte for byte.
  std::string last;
  for (int i = 0; i < 40; ++i) last += static_cast<char>(i * 7);
  CUniRegistry(kApp, settings::kLast).write(last.data(), static_cast<std::uint32_t>(last.size()));
  const std::string written = readWholeFile(scratch.folder() / "registry.reg");
  EXPECT_TRUE(test::matchesGolden(written, "platform/registry.reg")) << written;

  // Without the folder variable the file goes to $XDG_CONFIG_HOME/tamborak, created when missing.
  unsetenv("TAMBORAK_CONFIG_DIR");
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  setenv("XDG_CONFIG_HOME", (scratch.folder() / "xdg").c_str(), 1);
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 43, kApp));
  EXPECT_EQ(settings::getProfileInt(settings::kComposeAttempts, kApp), 43);
  EXPECT_TRUE(fs::exists(scratch.folder() / "xdg" / "tamborak" / "registry.reg"));
  if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

TEST(RegistryFile, AValueWrittenByOneProcessIsReadByTheNext) {
  if (isChild()) GTEST_SKIP();
  ScratchRegistry scratch;
  CUniRegistry(kApp, settings::kGlobals).write("from the parent", 15);
  ASSERT_EQ(waitExitCode(startChild("RegistryChild.ReadsGlobalsAndWritesLast")), 0);
  EXPECT_EQ(loadValue(settings::kLast), "from the child");
  EXPECT_EQ(settings::getProfileInt(settings::kComposeAttempts, kApp), 7);
}

TEST(RegistryFile, AProcessKilledWhileSavingLeavesTheOldOrTheNewFileWhole) {
  if (isChild()) GTEST_SKIP();
  ScratchRegistry scratch;
  const fs::path file = scratch.folder() / "registry.reg";
  const auto tempFiles = [&] {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(scratch.folder(), ec))
      n += e.path().filename().string().rfind("registry.reg.tmp", 0) == 0;
    return n;
  };
  std::mt19937 random(12345);
  std::uint32_t lastGeneration = 0;
  int tornSaves = 0;  // rounds killed while the temporary file was being written
  for (int round = 0; round < 12; ++round) {
    const pid_t child = startChild("RegistryChild.SavesForever");
    // Slow builds (sanitizers) take a while to start the child: let it finish one save of "Big".
    const auto savedBig = [&] {
      const std::string text = readWholeFile(file);
      const auto at = text.find("\"Big\"=hex:");
      return at != std::string::npos && at + 10 < text.size() && std::isxdigit(static_cast<unsigned char>(text[at + 10]));
    };
    const auto firstSave = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (round == 0 && !savedBig() && std::chrono::steady_clock::now() < firstSave)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 300));
    // Every other round waits for a save to begin, so that the kill lands inside one.
    if (round % 2) {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (tempFiles() == 0 && std::chrono::steady_clock::now() < until) {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 400));
    }
    kill(child, SIGKILL);
    waitExitCode(child);
    tornSaves += tempFiles() > 0;

    if (!fs::exists(file)) continue;  // killed before its first save
    platform::regfile::Tree tree;
    platform::regfile::ParseError error;
    ASSERT_TRUE(platform::regfile::parse(readWholeFile(file), tree, error))
        << "round " << round << ", line " << error.line << ": " << error.what;
    const std::string big = loadValue("Big");
    if (big.empty()) continue;
    const std::uint32_t generation = generationOf(big);
    ASSERT_EQ(big, generationValue(generation)) << "round " << round;
    EXPECT_GE(generation, lastGeneration);
    lastGeneration = generation;
  }
  EXPECT_GT(lastGeneration, 0u) << "no save finished in any round";
  EXPECT_GT(tornSaves, 0) << "no round was killed in the middle of a save";
  EXPECT_FALSE(fs::exists(scratch.folder() / "registry.reg.damaged"));
  // Temporary files of killed saves are cleared by the next save.
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 1, kApp));
  EXPECT_EQ(tempFiles(), 0);
}

TEST(RegistryFile, ASaveFlushesTheFolderAfterTheRenameAndAnUnchangedValueIsNotSavedAgain) {
  ScratchRegistry scratch;
  const fs::path file = scratch.folder() / "registry.reg";
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 41, kApp));
  watchedFile = file;
  flushedFolders.clear();
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 42, kApp));
  watchedFile.clear();
  ASSERT_EQ(flushedFolders.size(), 1u);
  EXPECT_EQ(flushedFolders[0].first, inodeOf(scratch.folder()));
  EXPECT_NE(flushedFolders[0].second.find("\"Attempts\"=dword:0000002a"), std::string::npos);

  // Loading a record stores the same bytes back: the file stays as it is (a second link to it
  // still names the same file). A change replaces it.
  { CUniRegistry(kApp, settings::kGlobals).write("abc", 3); }
  const fs::path before = scratch.folder() / "before";
  fs::create_hard_link(file, before);
  EXPECT_FALSE(CUniRegistry(kApp, settings::kGlobals).isEmpty());
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 42, kApp));
  EXPECT_TRUE(fs::equivalent(file, before));
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 43, kApp));
  EXPECT_FALSE(fs::equivalent(file, before));
}

// A damaged file is reported once, read as empty and kept aside before the next save. A file that
// cannot be read at all is reported once and never replaced; settings are kept for the session.
TEST(RegistryFile, ADamagedOrUnreadableFileIsReportedOnceAndKept) {
  static const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Velmora\\TamborakTest\\2\\Compose]\n"
      "\"Attempts\"=dword:00000010\n"
      "\"Broken\"=hex:01,zz\n";
  const auto damagedFile = [](const fs::path& p) { std::ofstream(p, std::ios::binary) << damaged; };
  // Things in the file's place that no one, not even root, can read as a file.
  const auto folder = [](const fs::path& p) {
    fs::create_directory(p);
    std::ofstream(p / "inside") << "kept";
  };
  const auto socketFile = [](const fs::path& p) {  // opening it fails (ENXIO)
    sockaddr_un address{AF_UNIX, {}};
    p.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
  };
  for (const auto& [make, why] : {std::pair<void (*)(const fs::path&), std::string>{damagedFile, ":5: "},
                                  {folder, ": is a folder"}, {socketFile, ": cannot be read"}}) {
    ScratchRegistry scratch;
    const fs::path file = scratch.folder() / "registry.reg";
    const bool isDamaged = why == ":5: ";
    make(file);
    const auto kind = fs::status(file).type();

    testing::internal::CaptureStderr();
    EXPECT_EQ(settings::getProfileInt(settings::kComposeAttempts, kApp), 100);
    EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 5, kApp));
    { CUniRegistry(kApp, settings::kLast).write("session", 7); }
    EXPECT_EQ(settings::getProfileInt(settings::kComposeAttempts, kApp), 5);
    EXPECT_EQ(loadValue(settings::kLast), "session");
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    EXPECT_EQ(report.rfind("tamborak: " + file.string() + why, 0), 0u) << report;
    EXPECT_EQ(report.find("registry.reg.damaged") != std::string::npos, isDamaged) << report;

    if (isDamaged) {
      EXPECT_EQ(readWholeFile(scratch.folder() / "registry.reg.damaged"), damaged);
      EXPECT_TRUE(fs::is_regular_file(file));
      continue;
    }
    EXPECT_EQ(fs::status(file).type(), kind) << why;
    EXPECT_FALSE(fs::exists(scratch.folder() / "registry.reg.damaged")) << why;
    if (kind == fs::file_type::directory) {
      EXPECT_EQ(readWholeFile(file / "inside"), "kept");
    }

    // Once the file is out of the way, settings are saved again.
    fs::remove_all(file);
    EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 6, kApp));
    EXPECT_EQ(settings::getProfileInt(settings::kComposeAttempts, kApp), 6);
    EXPECT_TRUE(fs::is_regular_file(file)) << why;
  }
}
