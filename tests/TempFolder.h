// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test; and reading whole files in tests.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/System.h"

namespace velmora::test {

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("tamborak-test-" + std::to_string(platform::millisecondClock()) + "-" +
                      std::to_string(counter++));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The bytes of the file; empty when it cannot be read.
inline std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A path below the test data folder (TAMBORAK_TEST_DATA).
inline std::filesystem::path testDataPath(const std::string& relative) {
  const char* root = std::getenv("TAMBORAK_TEST_DATA");
  return std::filesystem::path(root ? root : "tests/data") / relative;
}

}  // namespace velmora::test
