#include "io/UniRegistry.h"

#include <gtest/gtest.h>

#include <string>

#include "io/Record.h"
#include "tests/ScratchRegistry.h"

using namespace velmora;
using test::ScratchRegistry;

namespace {
constexpr const char* kApp = ScratchRegistry::kApplicationKey;
const std::string kAppPath = std::string("Software\\") + kApp;

// The stored value as type and bytes, or an error code.
std::int32_t storedValue(const std::string& name, std::uint32_t& type, std::string& data, const std::string& key = kAppPath) {
  platform::RegKey k = platform::kNoKey;
  std::int32_t code = platform::regOpenKey(platform::kCurrentUser, key, platform::kKeyRead, k);
  if (code == platform::kErrorSuccess) code = platform::regQueryValue(k, name, type, data);
  platform::regCloseKey(k);
  return code;
}

std::string storedBytes(const std::string& name) {
  std::uint32_t type = 0;
  std::string data;
  EXPECT_EQ(storedValue(name, type, data), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegBinary);
  return data;
}

// Stores a value of any type below the scratch application key (or `key`).
void setRaw(const std::string& name, std::uint32_t type, std::string_view data, const std::string& key = kAppPath) {
  platform::RegKey k = platform::kNoKey;
  ASSERT_EQ(platform::regCreateKey(platform::kCurrentUser, key, platform::kKeyAllAccess, k), 0);
  EXPECT_EQ(platform::regSetValue(k, name, type, data), 0);
  platform::regCloseKey(k);
}

void storeBytes(const std::string& name, const std::string& bytes) {
  CUniRegistry out(kApp, name);
  EXPECT_EQ(out.write(bytes.data(), static_cast<std::uint32_t>(bytes.size())), bytes.size());
}

// Runs `f`, which must throw a registry_exception pointer; gives its code and deletes it.
template <typename Exception, typename F>
std::int32_t thrownCode(F f) {
  try {
    f();
  } catch (registry_exception* e) {
    const bool rightClass = dynamic_cast<Exception*>(e) != nullptr;
    const std::int32_t code = e->code();
    delete e;
    EXPECT_TRUE(rightClass);
    return code;
  }
  ADD_FAILURE() << "nothing thrown";
  return -1;
}
}  // namespace

TEST(CUniRegistry, ValuesAreReadAsBytesAndStoredBackAsBinary) {
  ScratchRegistry scratch;
  // Globals on a fresh account reads nothing and leaves an empty binary value.
  {
    CUniRegistry globals(kApp, settings::kGlobals);
    EXPECT_TRUE(globals.isEmpty());
    char untouched = 'x';
    EXPECT_EQ(globals.read(&untouched, 1), 0u);
    EXPECT_EQ(untouched, 'x');
  }
  EXPECT_EQ(storedBytes(settings::kGlobals), "");

  // A shorter record keeps the tail of the longer old value.
  std::string old;
  for (int i = 0; i < 100; ++i) old.push_back(static_cast<char>(i));
  storeBytes(settings::kLast, old);
  {
    CUniRegistry last(kApp, settings::kLast);
    EXPECT_FALSE(last.isEmpty());
    EXPECT_EQ(last.write(std::string(37, '\xAA').data(), 37), 37u);
  }
  EXPECT_EQ(storedBytes(settings::kLast), std::string(37, '\xAA') + old.substr(37));

  // A value of another type is read as its bytes.
  setRaw("Number", platform::kRegDword, "\x01\x02\x03\x04");
  {
    CUniRegistry in(kApp, "Number");
    char bytes[8] = {};
    EXPECT_EQ(in.read(bytes, 8), 4u);
    EXPECT_EQ(std::string(bytes, 4), "\x01\x02\x03\x04");
  }
  EXPECT_EQ(storedBytes("Number"), "\x01\x02\x03\x04");

  // Records round trip, and loading one stores the same bytes back.
  const std::string text(5000, 't');  // more than several growth steps of the in-memory copy
  {
    CUniRegistry out(kApp, "Record");
    record::putU32(out, 7);
    record::putText(out, text);
    record::putU8(out, 1);
  }
  const std::string stored = storedBytes("Record");
  EXPECT_EQ(stored.size(), 4u + 4u + text.size() + 1u);
  {
    CUniRegistry in(kApp, "Record");
    std::uint32_t version = 0;
    std::string got;
    std::uint8_t flag = 0, extra = 9;
    EXPECT_TRUE(record::getU32(in, version) && record::getText(in, got, 1 << 20) && record::getU8(in, flag));
    EXPECT_FALSE(record::getU8(in, extra));  // past the end
    EXPECT_TRUE(version == 7u && got == text && flag == 1 && extra == 9);
  }
  EXPECT_EQ(storedBytes("Record"), stored);

  // A key that cannot be created reads nothing and stores nothing.
  const std::string badKey = std::string(kApp) + "\\" + std::string(300, 'k');
  {
    CUniRegistry bad(badKey, "Globals");
    EXPECT_TRUE(bad.isEmpty());
    EXPECT_EQ(bad.write("abc", 3), 3u);
  }
  platform::RegKey k = platform::kNoKey;
  EXPECT_NE(platform::regOpenKey(platform::kCurrentUser, "Software\\" + badKey, platform::kKeyRead, k), 0);
}

TEST(RegistryKeyReader, QueryStringGivesTextsAndThrowsForMissingValuesAndOtherTypes) {
  ScratchRegistry scratch;
  setRaw("Path", platform::kRegSz, std::string_view("C:\\Presets", 11));
  setRaw("Expand", platform::kRegExpandSz, std::string_view("%APPDATA%\\x", 12));
  setRaw("Unterminated", platform::kRegSz, "abc");
  setRaw("Empty", platform::kRegSz, "");
  setRaw("Number", platform::kRegDword, std::string_view("\x2a\0\0\0", 4));

  RegistryKeyReader reader;
  EXPECT_EQ(thrownCode<registry_exception>([&] { reader.openKey(platform::kCurrentUser, kAppPath + "\\Missing"); }),
            platform::kErrorFileNotFound);
  reader.openKey(platform::kCurrentUser, kAppPath);
  EXPECT_STREQ(reader.queryString("Path").get(), "C:\\Presets");
  EXPECT_STREQ(reader.queryString("expand").get(), "%APPDATA%\\x");
  EXPECT_STREQ(reader.queryString("Unterminated").get(), "abc");
  EXPECT_EQ(reader.queryString("Empty"), nullptr);
  EXPECT_EQ(thrownCode<registry_invalid_value_type>([&] { reader.queryString("Number"); }), 0);
  EXPECT_EQ(thrownCode<registry_exception>([&] { reader.queryString("Missing"); }), platform::kErrorFileNotFound);
  reader.closeKey();
  EXPECT_NE(thrownCode<registry_exception>([&] { reader.queryString("Path"); }), 0);
}

TEST(ProfileInt, ReadsTheDefaultUntilWrittenThenTheStoredValue) {
  ScratchRegistry scratch;
  const auto attemptsAndWarning = [] {
    return std::pair{settings::getProfileInt(settings::kComposeAttempts, kApp), settings::getProfileInt(settings::kWarnOffline, kApp)};
  };
  EXPECT_EQ(attemptsAndWarning(), std::pair(100, 1));
  EXPECT_TRUE(settings::writeProfileInt(settings::kComposeAttempts, 250, kApp));
  EXPECT_TRUE(settings::writeProfileInt(settings::kWarnOffline, -1, kApp));
  EXPECT_EQ(attemptsAndWarning(), std::pair(250, -1));
  EXPECT_EQ(settings::getProfileInt(settings::kDisplayMinVelo, kApp), 20);

  std::uint32_t type = 0;
  std::string data;
  ASSERT_EQ(storedValue("Attempts", type, data, kAppPath + "\\Compose"), 0);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(data, std::string("\xFA\0\0\0", 4));

  // A value of another type than DWORD reads as the default.
  setRaw("AllowTesting", platform::kRegSz, std::string_view("1", 2), kAppPath + "\\Compose");
  EXPECT_EQ(settings::getProfileInt(settings::kComposeAllowTesting, kApp), 0);
}
