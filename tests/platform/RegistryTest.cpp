#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ScratchRegistry.h"

using namespace velmora::platform;
using velmora::test::ScratchRegistry;

namespace {
const std::string kBase = ScratchRegistry::kScratchRoot;
}  // namespace

TEST(Registry, KeysAndValuesAreCreatedFoundWithoutRegardToCaseAndDeleted) {
  ScratchRegistry scratch;
  RegKey key = kNoKey, again = kNoKey;
  EXPECT_EQ(regOpenKey(kCurrentUser, kBase + "\\A\\B", kKeyRead, key), kErrorFileNotFound);
  EXPECT_EQ(key, kNoKey);
  ASSERT_EQ(regCreateKey(kCurrentUser, kBase + "\\A\\B", kKeyAllAccess, key), kErrorSuccess);
  EXPECT_EQ(regSetDword(key, "Count", 0x2a), kErrorSuccess);
  EXPECT_EQ(regSetString(key, "", "default"), kErrorSuccess);
  regCloseKey(key);

  ASSERT_EQ(regOpenKey(kCurrentUser, kBase + "\\a", kKeyRead, key), kErrorSuccess);
  ASSERT_EQ(regOpenKey(key, "b", kKeyAllAccess, again), kErrorSuccess);
  regCloseKey(key);
  std::uint32_t type = 0;
  std::string data;
  ASSERT_EQ(regQueryValue(again, "COUNT", type, data), kErrorSuccess);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(data, std::string("\x2a\0\0\0", 4));
  ASSERT_EQ(regQueryValue(again, "", type, data), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(data, std::string("default\0", 8));

  EXPECT_EQ(regDeleteValue(again, "count"), kErrorSuccess);
  EXPECT_EQ(regQueryValue(again, "Count", type, data), kErrorFileNotFound);
  EXPECT_EQ(regDeleteValue(again, "Count"), kErrorFileNotFound);

  // A handle outlives its deleted key: writing through it fails and does not bring the key back.
  EXPECT_EQ(regDeleteTree(kCurrentUser, kBase + "\\A"), kErrorSuccess);
  EXPECT_EQ(regSetDword(again, "Count", 1), kErrorKeyDeleted);
  regCloseKey(again);
  EXPECT_EQ(regOpenKey(kCurrentUser, kBase + "\\A\\B", kKeyRead, key), kErrorFileNotFound);
  EXPECT_EQ(regOpenKey(kCurrentUser, kBase + "\\A", kKeyRead, key), kErrorFileNotFound);
  EXPECT_EQ(regDeleteTree(kCurrentUser, kBase + "\\A"), kErrorFileNotFound);
  ASSERT_EQ(regOpenKey(kCurrentUser, kBase, kKeyRead, key), kErrorSuccess);
  regCloseKey(key);
}
