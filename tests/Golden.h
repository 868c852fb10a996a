// Golden files: bytes of a stored format kept in the test data, which the current code must
// write byte for byte. With TAMBORAK_UPDATE_GOLDENS=1 a test writes them from what it made
// instead: goldens change only on purpose, and their diff is reviewed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/TempFolder.h"

namespace velmora::test {

// Whether `made` equals the golden file `relative` below the test data folder; when not, says
// where they part.
inline ::testing::AssertionResult matchesGolden(const std::string& made, const std::string& relative) {
  const std::filesystem::path path = testDataPath(relative);
  if (const char* update = std::getenv("TAMBORAK_UPDATE_GOLDENS"); update && std::string(update) == "1") {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << made;
  }
  const std::string golden = readWholeFile(path);
  if (made == golden) return ::testing::AssertionSuccess();
  const auto parted = std::mismatch(made.begin(), made.begin() + std::min(made.size(), golden.size()), golden.begin());
  return ::testing::AssertionFailure() << relative << ": " << made.size() << " bytes made, " << golden.size()
                                       << " in the golden file, first difference at byte "
                                       << (parted.first - made.begin());
}

}  // namespace velmora::test
