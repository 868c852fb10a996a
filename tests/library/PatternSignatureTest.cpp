#include <gtest/gtest.h>

#include <string>

#include "library/PatternSignature.h"

using namespace velmora;

TEST(PatternSignature, WellFormedNamesGiveTheirFields) {
  const PatternSignature basic = parseSignature("Rock\\1.Kick\\Kick\\3_5_1000100010001000_0#Basic.mid");
  EXPECT_EQ(basic, (PatternSignature{0x8888, 0, 5, 0, 3}));
  EXPECT_EQ(nameFieldValue("3_5_1000100010001000_0#Basic.mid", kFieldGroup), 0);

  const PatternSignature hats = parseSignature("1_8_1212121212121212_1#Hats.mid");
  EXPECT_EQ(hats.hitMask, 0xAAAAu);
  EXPECT_EQ(hats.accentMask, 0x5555u);
  EXPECT_EQ(hats.accentCount, 8);
  EXPECT_EQ(hats.nameStrokes, 8);
  EXPECT_EQ(nameFieldValue("1_8_1212121212121212_2#Hats.mid", kFieldGroup), 2);
}

TEST(PatternSignature, GridIsCutAtSixteenStepsAndShortGridsLeaveLowBitsClear) {
  EXPECT_EQ(parseSignature("1_4_11111111111111112222_0#Long.mid"), (PatternSignature{0xFFFF, 0, 4, 0, 1}));
  EXPECT_EQ(parseSignature("1_2_1-0.1#Short.mid").hitMask, 0x8800u);
  // A short grid ends at the group field: the group's digit is not a step.
  EXPECT_EQ(parseSignature("1_2_1001_1#Short.mid").hitMask, 0x9000u);
  EXPECT_EQ(parseSignature("1_2_1002_2#Short.mid").accentCount, 1);
}

TEST(PatternSignature, NamesWithoutHashOrUnderscoresReadAsZero) {
  EXPECT_EQ(parseSignature("3_5_1000100010001000_1.mid"), PatternSignature{});
  EXPECT_EQ(nameFieldValue("3_5_1000100010001000_1.mid", kFieldStrokes), 5);
  EXPECT_EQ(nameFieldValue("3_5_1000100010001000_1.mid", kFieldGroup), 1);  // runs to the end
  EXPECT_EQ(parseSignature("7#Title.mid"), (PatternSignature{0, 0, 0, 0, 7}));
  EXPECT_EQ(parseSignature("7_6#Title.mid"), (PatternSignature{0, 0, 6, 0, 7}));
  EXPECT_EQ(nameFieldValue("7_6_1010#Title.mid", kFieldGroup), 0);
  EXPECT_EQ(nameField("7_6_1010#Title.mid", kFieldGroup), "");
}

TEST(PatternSignature, FieldsEndAtHashOnlyWhenAnotherUnderscoreFollows) {
  EXPECT_EQ(nameField("3_5#a_b.mid", 1), "5");
  EXPECT_EQ(nameField("3_5#ab.mid", 1), "5#ab.mid");
  EXPECT_EQ(nameField("3_ 12x_z", 1), " 12x");
  EXPECT_EQ(nameFieldValue("3_ 12x_z", 1), 12);
  EXPECT_EQ(nameFieldValue("3_-4_z", 1), -4);
  EXPECT_EQ(nameField("Folder_A\\9_1_1#x.mid", 0), "9");  // only the file name is read
}

TEST(PatternKinds, LookupIgnoresCase) {
  const PatternKind* conga = findKind("conga");
  ASSERT_NE(conga, nullptr);
  EXPECT_STREQ(conga->name, "Conga");
  EXPECT_EQ(conga->keyCount, 3);
  EXPECT_EQ(conga->keys[2], 64);
  ASSERT_NE(findKind("hh_op"), nullptr);
  EXPECT_EQ(findKind("HH_OP")->keys[1], 46);
  EXPECT_EQ(findKind("UNIVERSAL")->keys[0], 54);
  EXPECT_EQ(findKind("Bongo"), nullptr);
  EXPECT_EQ(findKind("Kic"), nullptr);
  for (const char* name : kKindPickerOrder) EXPECT_NE(findKind(name), nullptr) << name;
}
