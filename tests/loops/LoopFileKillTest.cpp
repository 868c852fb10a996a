// A loop file survives a save that is killed midway: a child process saves two large loops in
// turn over the same file until it is killed at a random moment; the file then holds one of the
// two loops whole.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "loops/LoopBrowser.h"
#include "midi/MidiTrack.h"
#include "platform/SafeSave.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using test::readWholeFile;
namespace fs = std::filesystem;

namespace {

constexpr char kChildFolder[] = "TAMBORAK_LOOP_KILL_FOLDER";

class LoopFileKill : public test::EngineTest {};

// Every slice holds `notes` strokes of its own, so that one loop file takes a while to write.
void fillWithOwnEvents(Tamborak& engine, int notes, int velocity) {
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    Looper& slice = *engine.getSlice(i);
    slice.editTrack([&](CMidiTrack& track) {
      for (int n = 0; n < notes; ++n) track.Insert(noteEvent(n * 4, 9, 36 + i, velocity, 2));
      return 0;
    });
    slice.markEdited();
  }
}

pid_t startChild(const std::string& folder) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv(kChildFolder, folder.c_str(), 1);
    execl("/proc/self/exe", "child", "--gtest_filter=LoopFileKill.ChildSavesForever", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Files beside the loop file other than itself: temporary files of saves.
int temporaries(const fs::path& file) {
  int count = 0;
  std::error_code ec;
  for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end; it.increment(ec))
    count += it->path() != file;
  return count;
}

}  // namespace

// Run only as the child: writes the bytes of both loops beside the loops folder, then saves them
// in turn until killed.
TEST_F(LoopFileKill, ChildSavesForever) {
  const char* folder = std::getenv(kChildFolder);
  if (!folder) GTEST_SKIP() << "runs only as the child of KilledSavesLeaveAWholeLoop";
  ComRef<ITamborak> face = makeEngine();
  Tamborak& engine = engineOf(face);
  platform::ScriptedPrompt prompt;
  LoopBrowser browser(engine, prompt, std::string(folder) + "/Loops/");
  std::string loops[2], error;
  for (int k = 0; k < 2; ++k) {
    fillWithOwnEvents(engine, 3000, 40 + 40 * k);
    CUniString stream(loops[k]);
    engine.saveLoop(stream, true);
    ASSERT_TRUE(platform::saveFileWhole(std::string(folder) + "/loop" + std::to_string(k), loops[k], error)) << error;
  }
  browser.select(browser.find("big.tbk"));
  for (int k = 0;; k ^= 1) {
    CUniMemoryReader reader(loops[k].data(), static_cast<std::uint32_t>(loops[k].size()));
    ASSERT_TRUE(engine.LoadLoop(reader, 0));
    ASSERT_TRUE(browser.command(LoopBrowser::kSave));
    ASSERT_TRUE(prompt.asked().empty() && prompt.savesAsked().empty());
  }
}

TEST_F(LoopFileKill, KilledSavesLeaveAWholeLoop) {
  if (std::getenv(kChildFolder)) GTEST_SKIP();
  test::TempFolder folder;
  // The loop file exists before the first child starts.
  {
    ComRef<ITamborak> face = makeEngine();
    platform::ScriptedPrompt prompt;
    LoopBrowser browser(engineOf(face), prompt, (folder.path() / "Loops").string() + "/");
    prompt.scriptPath((folder.path() / "Loops" / "big.tbk").string());
    ASSERT_TRUE(browser.saveAs());
  }
  const fs::path file = folder.path() / "Loops" / "big.tbk";
  std::string first = readWholeFile(file);
  std::mt19937 random(4321);
  int killedAfterAWrite = 0;
  int tornSaves = 0;  // rounds killed while a temporary file was being written
  // Until some round was killed in the middle of a save, and at least four rounds.
  for (int round = 0; round < 40 && (round < 4 || tornSaves == 0); ++round) {
    const pid_t child = startChild(folder.path().string());
    ASSERT_GT(child, 0);
    for (int wait = 0; wait < 600 && !fs::exists(folder.path() / "loop1"); ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 100)(random)));
    // Mostly killed as soon as a save's temporary file shows, sometimes at a random moment.
    const bool atTemporary = round % 4 != 3;
    for (int poll = 0; atTemporary && poll < 20000 && temporaries(file) == 0; ++poll)
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;
    const std::string now = readWholeFile(file);
    const std::string loop0 = readWholeFile(folder.path() / "loop0"), loop1 = readWholeFile(folder.path() / "loop1");
    ASSERT_FALSE(loop0.empty() || loop1.empty());
    EXPECT_TRUE(now == loop0 || now == loop1 || now == first) << "round " << round << ": " << now.size() << " bytes";
    killedAfterAWrite += now != first;
    tornSaves += temporaries(file) > 0;
    ComRef<ITamborak> face = makeEngine();  // a torn save's temporary file is no loop
    platform::ScriptedPrompt prompt;
    const LoopBrowser browser(engineOf(face), prompt, (folder.path() / "Loops").string() + "/");
    ASSERT_EQ(browser.items().size(), 1u);
    EXPECT_EQ(browser.items()[0].path, "big.tbk");
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
      if (entry.path() != file) fs::remove(entry.path());
    first = now;
    fs::remove(folder.path() / "loop1");
  }
  EXPECT_GT(killedAfterAWrite, 0) << "the child never completed a save";
  EXPECT_GT(tornSaves, 0) << "no round was killed in the middle of a save";
}
