#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/FolderWatcher.h"
#include "tests/TempFolder.h"

using namespace velmora;
using namespace std::chrono_literals;

TEST(FolderWatcher, SeesNamesChangingInFoldersCreatedAfterTheStart) {
  test::TempFolder dir;
  EXPECT_EQ(platform::FolderWatcher::create((dir.path() / "none").string()), nullptr);  // missing: not watched
  auto watcher = platform::FolderWatcher::create(dir.path().string());
  ASSERT_NE(watcher, nullptr);
  std::filesystem::create_directory(dir.path() / "new");
  EXPECT_TRUE(watcher->wait());
  // The library scan lists every folder after arming its watch; Wine's sub-tree notification
  // only covers folders that were opened, so list it here as the scan would.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "new")) (void)entry;
  std::ofstream(dir.path() / "new" / "p.mid") << "x";
  EXPECT_TRUE(watcher->wait());
}

TEST(FolderWatcher, StopWakesAWaitingThreadAtOnce) {
  test::TempFolder dir;
  auto watcher = platform::FolderWatcher::create(dir.path().string());
  ASSERT_NE(watcher, nullptr);
  bool changed = true;
  std::thread waiting([&] { changed = watcher->wait(); });
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  watcher->stop();
  waiting.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  EXPECT_FALSE(changed);
  EXPECT_FALSE(watcher->wait());
}
