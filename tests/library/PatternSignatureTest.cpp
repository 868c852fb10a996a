#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>

#include "library/PatternSignature.h"

using namespace velmora;

TEST(PatternSignature, NamesGiveTheirFields) {
  // {hitMask, accentMask, nameStrokes, accentCount, patternNumber}
  const std::pair<const char*, PatternSignature> cases[] = {
      {"Rock\\1.Kick\\Kick\\3_5_1000100010001000_0#Basic.mid", {0x8888, 0, 5, 0, 3}},
      {"1_8_1212121212121212_1#Hats.mid", {0xAAAA, 0x5555, 8, 8, 1}},
      {"1_4_11111111111111112222_0#Long.mid", {0xFFFF, 0, 4, 0, 1}},  // the grid is cut at sixteen steps
      {"3_5_1000100010001000_1.mid", {}},                              // no hash: all zero
      {"7#Title.mid", {0, 0, 0, 0, 7}},
      {"7_6#Title.mid", {0, 0, 6, 0, 7}},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(parseSignature(name), expected) << name;
  // Short grids leave the low bits clear; a short grid ends at the group field, whose digit is no step.
  EXPECT_EQ(parseSignature("1_2_1-0.1#Short.mid").hitMask, 0x8800u);
  EXPECT_EQ(parseSignature("1_2_1001_1#Short.mid").hitMask, 0x9000u);
  EXPECT_EQ(parseSignature("1_2_1002_2#Short.mid").accentCount, 1);
}

TEST(PatternSignature, NameFieldsAndTheirValues) {
  const std::tuple<const char*, int, int> values[] = {
      {"3_5_1000100010001000_0#Basic.mid", kFieldGroup, 0}, {"1_8_1212121212121212_2#Hats.mid", kFieldGroup, 2},
      {"3_5_1000100010001000_1.mid", kFieldStrokes, 5},    {"3_5_1000100010001000_1.mid", kFieldGroup, 1},  // to the end
      {"7_6_1010#Title.mid", kFieldGroup, 0},              {"3_ 12x_z", 1, 12},
      {"3_-4_z", 1, -4},
  };
  for (const auto& [name, field, expected] : values) EXPECT_EQ(nameFieldValue(name, field), expected) << name;
  // A field ends at a hash only when another underscore follows; only the file name is read.
  const std::tuple<const char*, int, const char*> texts[] = {
      {"7_6_1010#Title.mid", kFieldGroup, ""}, {"3_5#a_b.mid", 1, "5"}, {"3_5#ab.mid", 1, "5#ab.mid"},
      {"3_ 12x_z", 1, " 12x"},                 {"Folder_A\\9_1_1#x.mid", 0, "9"},
  };
  for (const auto& [name, field, expected] : texts) EXPECT_EQ(nameField(name, field), expected) << name;
}

TEST(PatternKinds, LookupIgnoresCase) {
  const PatternKind* conga = findKind("conga");
  ASSERT_NE(conga, nullptr);
  EXPECT_STREQ(conga->name, "Conga");
  ASSERT_NE(findKind("hh_op"), nullptr);
  EXPECT_EQ(findKind("hh_op"), findKind("HH_OP"));
  EXPECT_NE(findKind("UNIVERSAL"), nullptr);
  EXPECT_EQ(findKind("Bongo"), nullptr);
  EXPECT_EQ(findKind("Kic"), nullptr);
  for (const char* name : kKindPickerOrder) EXPECT_NE(findKind(name), nullptr) << name;
  ASSERT_NE(findKind("fill"), nullptr);  // fills have their own part folder, not the slices' kind picker
  EXPECT_EQ(std::count(std::begin(kKindPickerOrder), std::end(kKindPickerOrder), std::string_view("Fill")), 0);
}
