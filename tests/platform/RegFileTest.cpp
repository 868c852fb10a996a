#include "platform/RegFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/Registry.h"
#include "tests/TempFolder.h"

namespace rf = velmora::platform::regfile;
using velmora::platform::kRegBinary;
using velmora::platform::kRegDword;
using velmora::platform::kRegSz;

namespace {
const std::string kHead = "Windows Registry Editor Version 5.00\n\n";

rf::Tree parseOk(const std::string& text) {
  rf::Tree tree;
  rf::ParseError error;
  EXPECT_TRUE(rf::parse(text, tree, error)) << "line " << error.line << ": " << error.what;
  return tree;
}

rf::ParseError parseFails(const std::string& text) {
  rf::Tree tree;
  rf::ParseError error;
  EXPECT_FALSE(rf::parse(text, tree, error)) << text;
  EXPECT_TRUE(tree.empty());
  EXPECT_FALSE(error.what.empty());
  return error;
}

rf::Tree roundTrip(const rf::Tree& tree) {
  const std::string text = rf::format(tree);
  rf::Tree back = parseOk(text);
  EXPECT_EQ(rf::format(back), text);
  return back;
}
}  // namespace

TEST(RegFile, ReadsEveryValueForm) {
  const rf::Tree tree = parseOk(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
      "@=\"default\"\r\n"
      "\"Path\"=\"C:\\\\Program Files\\\\a \\\"b\\\"\"\r\n"
      "\"Count\"=dword:0000002a\r\n"
      "\"Short\"=DWORD:1\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "  ff , 0\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Multi\"=hex(7):61,00,00\r\n"
      "[hkey_local_machine\\A\\B]\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\velmora]\r\n"
      "\"COUNT\"=dword:2b\r\n");
  const rf::Values& v = tree.at("HKEY_CURRENT_USER\\Software\\Velmora");
  EXPECT_EQ(v.at(""), (rf::Value{kRegSz, std::string("default\0", 8)}));
  EXPECT_EQ(v.at("path").data, std::string("C:\\Program Files\\a \"b\"\0", 23));
  EXPECT_EQ(v.at("Count"), (rf::Value{kRegDword, std::string("\x2b\0\0\0", 4)}));  // the later one
  EXPECT_EQ(v.at("Short").data, std::string("\1\0\0\0", 4));
  EXPECT_EQ(v.at("Blob"), (rf::Value{kRegBinary, std::string("\x01\x02\xff\x00", 4)}));
  EXPECT_EQ(v.at("Empty"), (rf::Value{kRegBinary, ""}));
  EXPECT_EQ(v.at("Multi"), (rf::Value{7, std::string("a\0\0", 3)}));
  // Names match without regard to case and keep their first spelling; roots are spelt canonically.
  EXPECT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree.begin()->first, "HKEY_CURRENT_USER\\Software\\Velmora");
  EXPECT_EQ(v.find("count")->first, "Count");
  EXPECT_TRUE(tree.count("HKEY_LOCAL_MACHINE\\A\\B"));
}

TEST(RegFile, RoundTripsEscapesOddNamesAndLongValues) {
  rf::Tree tree;
  rf::Values& v = tree["HKEY_CURRENT_USER\\Software\\We [ird]] \"key\"\\x;y"];
  v[""] = {kRegSz, std::string("", 1)};
  v["back\\slash \"quote\" @=;[x]"] = {kRegSz, std::string("\\\"\\\\\"\0", 6)};
  v["@"] = {kRegDword, std::string("\xff\xfe\xfd\xfc", 4)};
  v["tab\tand high \xC3\xA9"] = {kRegSz, std::string("line\r\nbreak\0", 12)};  // cannot be "text"
  v["no terminator"] = {kRegSz, "abc"};
  v["inner zero"] = {kRegSz, std::string("a\0b\0", 4)};
  v["odd dword"] = {kRegDword, "123"};
  v["none"] = {0, ""};
  v["qword"] = {0xb, std::string(8, '\x7f')};
  std::string big;
  for (int i = 0; i < 100000; ++i) big.push_back(static_cast<char>(i * 7));
  v["big"] = {kRegBinary, big};
  tree["HKEY_CLASSES_ROOT"]["root value"] = {kRegBinary, "x"};
  tree["HKEY_LOCAL_MACHINE\\Empty key"];
  EXPECT_EQ(roundTrip(tree), tree);

  // Exported lines stay short: long values continue on further lines.
  const std::string text = rf::format(tree);
  std::size_t longest = 0, start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    longest = std::max(longest, end - start);
  EXPECT_LE(longest, 80u);
}

TEST(RegFile, KeysExistThroughTheirSubKeysGoWithThemAndAreCheckedWhenJoined) {
  rf::Tree tree = parseOk(kHead +
                          "[HKEY_CURRENT_USER\\A\\B\\C]\n"
                          "[HKEY_CURRENT_USER\\A b]\n"
                          "[HKEY_CURRENT_USER\\A0]\n");
  EXPECT_TRUE(rf::keyExists(tree, "HKEY_CURRENT_USER\\a"));
  EXPECT_TRUE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A\\b"));
  EXPECT_FALSE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A\\B\\C\\D"));
  EXPECT_FALSE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A\\"));
  EXPECT_FALSE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A\\B\\"));
  // Removing the only sub-key of a key listed only through it keeps the key.
  EXPECT_TRUE(rf::removeKeyTree(tree, "HKEY_CURRENT_USER\\A\\B"));
  EXPECT_TRUE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A"));
  EXPECT_FALSE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A\\B"));
  EXPECT_TRUE(rf::removeKeyTree(tree, "HKEY_CURRENT_USER\\A"));
  // Siblings whose names merely begin with "A" stay.
  EXPECT_EQ(tree.size(), 2u);
  EXPECT_FALSE(rf::keyExists(tree, "HKEY_CURRENT_USER\\A"));
  EXPECT_FALSE(rf::removeKeyTree(tree, "HKEY_CURRENT_USER\\A"));

  // Key paths are checked as they are joined.
  std::string out;
  EXPECT_TRUE(rf::joinKeyPath("HKEY_CURRENT_USER", "Software\\Velmora\\", out));
  EXPECT_EQ(out, "HKEY_CURRENT_USER\\Software\\Velmora");
  EXPECT_TRUE(rf::joinKeyPath("HKEY_CURRENT_USER", "", out));
  EXPECT_EQ(out, "HKEY_CURRENT_USER");
  for (const std::string& bad : std::initializer_list<std::string>{"\\Software", "a\\\\b", "a\\\\", "line\nbreak", std::string(256, 'k')})
    EXPECT_FALSE(rf::joinKeyPath("HKEY_CURRENT_USER", bad, out)) << bad;
  EXPECT_FALSE(rf::isValidValueName("cr\r"));
  EXPECT_FALSE(rf::isValidValueName(std::string(16384, 'v')));
}

TEST(RegFile, MalformedTextsAreRejectedWithTheirLine) {
  const std::pair<std::string, std::size_t> texts[] = {
      {"", 1}, {"REGEDIT4\n", 1}, {"\xFF\xFEW\0i\0", 1}, {kHead + "\"v\"=dword:1\n", 3},
      {kHead + "[HKEY_CURRENT_USER\\A\n", 3}, {kHead + "[HKEY_USERS\\A]\n", 3}, {kHead + "[HKEY_CURRENT_USER\\A\\\\B]\n", 3},
      {kHead + "[-HKEY_CURRENT_USER\\A]\n", 3}, {kHead + "[HKEY_CURRENT_USER]\n\n\"v\"=-\n", 5},
  };
  for (const auto& [text, line] : texts) EXPECT_EQ(parseFails(text).line, line) << text;
  // Bad lines right after a section header: the error names line 4, where the value starts.
  const char* const valueLines[] = {
      "\"v\"dword:1", "\"v=dword:1", "\"v\\n\"=dword:1", "\"v\"=dword:123456789", "\"v\"=dword:", "\"v\"=\"open",
      "\"v\"=\"a\" junk", "\"v\"=hex:1,,2", "\"v\"=hex:123", "\"v\"=hex:01,", "\"v\"=hex(:01", "\"v\"=hex(123456789):01",
      "\"v\"=hex:01,\\", "\"v\"=hex:01,\\\n  02,\\\n  zz", "\"v\"=str(1):x", "stray text",
  };
  for (const char* value : valueLines) EXPECT_EQ(parseFails(kHead + "[HKEY_CURRENT_USER]\n" + value + "\n").line, 4u) << value;
  EXPECT_EQ(parseFails(kHead + std::string(rf::kMaxTextBytes, ';')).line, 0u);
}

TEST(RegFile, HostileInputStaysLinear) {
  // One hex value continued over 200000 lines, and 20000 sections with long shared prefixes:
  // both parse quickly and without recursion.
  std::string text = kHead + "[HKEY_CURRENT_USER\\K]\n\"v\"=hex:00";
  for (int i = 0; i < 200000; ++i) text += ",\\\n  ab";
  text += "\n";
  EXPECT_EQ(parseOk(text).begin()->second.at("v").data.size(), 200001u);

  text = kHead;
  const std::string prefix = "[HKEY_CURRENT_USER\\" + std::string(200, 'p');
  for (int i = 0; i < 20000; ++i) text += prefix + "\\" + std::to_string(i) + "]\n";
  EXPECT_EQ(parseOk(text).size(), 20000u);
}

TEST(RegFile, ReadsAndRewritesTheSampleFiles) {
  ASSERT_NE(std::getenv("TAMBORAK_TEST_DATA"), nullptr);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(velmora::test::testDataPath("registry"))) {
    SCOPED_TRACE(entry.path().string());
    const rf::Tree tree = parseOk(velmora::test::readWholeFile(entry.path()));
    EXPECT_FALSE(tree.empty());
    EXPECT_EQ(roundTrip(tree), tree);
    ++files;
  }
  EXPECT_EQ(files, 3);
}
