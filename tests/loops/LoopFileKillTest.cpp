// A save killed midway: a child process saves two large loops in turn over one loop file until it
// is killed, mostly while a save's temporary file exists; the file then holds one loop whole.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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

using LoopFileKill = test::EngineTest;

// Files beside `file` other than itself: temporary files of saves.
int temporaries(const fs::path& file) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) count += entry.path() != file;
  return count;
}

}  // namespace

// Only as the child: writes both loops beside the loops folder, then saves them in turn.
TEST_F(LoopFileKill, ChildSavesForever) {
  const char* folder = std::getenv(kChildFolder);
  if (!folder) GTEST_SKIP() << "runs only as the child of KilledSavesLeaveAWholeLoop";
  ComRef<ITamborak> face = makeEngine();
  Tamborak& engine = engineOf(face);
  platform::ScriptedPrompt prompt;
  LoopBrowser browser(engine, prompt, std::string(folder) + "/Loops/");
  std::string loops[2], error;
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < Tamborak::kSliceCount; ++i) {  // own strokes make the file large
      engine.getSlice(i)->editTrack([&](CMidiTrack& track) {
        for (int n = 0; n < 3000; ++n) track.Insert(noteEvent(n * 4, 9, 36 + i, 40 + 40 * k, 2));
        return 0;
      });
      engine.getSlice(i)->markEdited();
    }
    CUniString stream(loops[k]);
    engine.saveLoop(stream, true);
    ASSERT_TRUE(platform::saveFileWhole(std::string(folder) + "/loop" + std::to_string(k), loops[k], error));
  }
  browser.select(browser.find("big.tbk"));
  for (int k = 0;; k ^= 1) {
    CUniMemoryReader reader(loops[k].data(), static_cast<std::uint32_t>(loops[k].size()));
    ASSERT_TRUE(engine.LoadLoop(reader, 0));
    ASSERT_TRUE(browser.command(LoopBrowser::kSave) && prompt.savesAsked().empty());
  }
}

TEST_F(LoopFileKill, KilledSavesLeaveAWholeLoop) {
  if (std::getenv(kChildFolder)) GTEST_SKIP();
  test::TempFolder folder;
  const fs::path file = folder.path() / "Loops" / "big.tbk";
  {
    ComRef<ITamborak> face = makeEngine();
    platform::ScriptedPrompt prompt;
    LoopBrowser browser(engineOf(face), prompt, file.parent_path().string() + "/");
    prompt.scriptPath(file.string());
    ASSERT_TRUE(browser.saveAs());
  }
  std::string last = readWholeFile(file);
  int tornSaves = 0, completedSaves = 0;
  for (int round = 0; round < 40 && (round < 4 || tornSaves == 0 || completedSaves == 0); ++round) {
    const pid_t child = fork();
    if (child == 0) {
      setenv(kChildFolder, folder.path().c_str(), 1);
      execl("/proc/self/exe", "child", "--gtest_filter=LoopFileKill.ChildSavesForever", static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int wait = 0; wait < 600 && !fs::exists(folder.path() / "loop1"); ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Mostly killed as soon as a save's temporary file shows, sometimes a while after a save.
    const bool afterASave = round % 4 == 3;
    for (int poll = 0; afterASave && poll < 1000 && readWholeFile(file) == last; ++poll)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(afterASave ? 10 * round % 100 : 0));
    for (int poll = 0; !afterASave && poll < 20000 && temporaries(file) == 0; ++poll)
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;
    const std::string now = readWholeFile(file);
    EXPECT_TRUE(now == last || now == readWholeFile(folder.path() / "loop0") ||
                now == readWholeFile(folder.path() / "loop1"))
        << "round " << round << ": " << now.size() << " bytes";
    completedSaves += now != last;
    last = now;
    tornSaves += temporaries(file) > 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
      if (entry.path() != file) fs::remove(entry.path());
    fs::remove(folder.path() / "loop1");
  }
  EXPECT_GT(completedSaves, 0) << "the child never completed a save";
  EXPECT_GT(tornSaves, 0) << "no round was killed in the middle of a save";
}
