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

#include "ui/LoopBrowser.h"
#include "midi/MidiTrack.h"
#include "platform/SafeSave.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using test::readWholeFile;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using LoopFileKill = test::EngineTest;

TEST_F(LoopFileKill, KilledSavesLeaveAWholeLoop) {
  constexpr char kChildFolder[] = "TAMBORAK_LOOP_KILL_FOLDER";
  const char* childFolder = std::getenv(kChildFolder);
  std::optional<test::TempFolder> temp;
  const fs::path folder = childFolder ? fs::path(childFolder) : temp.emplace().path(), file = folder / "Loops" / "loop01.tbk";
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& engine = engineOf(face);
  platform::ScriptedPrompt prompt;
  std::optional<LoopBrowser> browser(std::in_place, engine, prompt, file.parent_path().string() + "/");
  if (childFolder) {  // the child: writes both loops beside the loops folder, then saves them in turn
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
      ASSERT_TRUE(platform::saveFileWhole((folder / ("loop" + std::to_string(k))).string(), loops[k], error));
    }
    browser->select(browser->find("loop01.tbk"));
    for (int k = 0;; k ^= 1) {
      CUniMemoryReader reader(loops[k].data(), static_cast<std::uint32_t>(loops[k].size()));
      ASSERT_TRUE(engine.LoadLoop(reader, 0));
      ASSERT_TRUE(browser->command(LoopBrowser::kSave) && prompt.savesAsked().empty());
    }
  }
  // Files beside the loop file other than itself: temporary files of saves.
  const auto temporaries = [&] {
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(file.parent_path())) out.push_back(entry.path());
    return std::erase(out, file), out;
  };
  ASSERT_TRUE(browser->saveNew());
  browser.reset();
  face = {};
  std::string last = readWholeFile(file);
  int tornSaves = 0, completedSaves = 0;
  for (int round = 0; round < 40 && (round < 4 || tornSaves == 0 || completedSaves == 0); ++round) {
    const pid_t child = fork();
    if (child == 0) {
      setenv(kChildFolder, folder.c_str(), 1);
      execl("/proc/self/exe", "child", "--gtest_filter=LoopFileKill.KilledSavesLeaveAWholeLoop", static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int wait = 0; wait < 600 && !fs::exists(folder / "loop1"); ++wait) std::this_thread::sleep_for(50ms);
    // Mostly killed as soon as a save's temporary file shows, sometimes a while after a save.
    const bool afterASave = round % 4 == 3;
    for (int poll = 0; afterASave && poll < 1000 && readWholeFile(file) == last; ++poll) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(afterASave ? 10ms * (round % 10) : 0ms);
    for (int poll = 0; !afterASave && poll < 20000 && temporaries().empty(); ++poll) std::this_thread::sleep_for(100us);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;
    const std::string now = readWholeFile(file);
    EXPECT_TRUE(now == last || now == readWholeFile(folder / "loop0") || now == readWholeFile(folder / "loop1"))
        << "round " << round << ": " << now.size() << " bytes";
    completedSaves += now != last;
    tornSaves += !temporaries().empty();
    last = now;
    for (const fs::path& path : temporaries()) fs::remove(path);
    fs::remove(folder / "loop1");
  }
  EXPECT_GT(completedSaves, 0) << "the child never completed a save";
  EXPECT_GT(tornSaves, 0) << "no round was killed in the middle of a save";
}
