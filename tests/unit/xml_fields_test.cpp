// The readers' fast tag search must find exactly what the character-by-character walk finds.
#include <gtest/gtest.h>

#include <random>

#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

TEST(XmlFieldsTest, TagsAfterLeadBytesCountOnlyAtCharacterStarts) {
  std::string value = "old";
  // "<" right after one lead byte is that character's second byte, not a tag.
  EXPECT_FALSE(xmlfield::Extract("\xB0<name>x</name>", "<name>", "</name>", value));
  EXPECT_EQ(value, "old");
  EXPECT_FALSE(xmlfield::Extract("<name>\xB0</name>", "<name>", "</name>", value));
  EXPECT_TRUE(xmlfield::Extract("\xB0\xB0<name>\xB0\xB0</name>", "<name>", "</name>", value));
  EXPECT_EQ(value, "\xB0\xB0");
  EXPECT_TRUE(xmlfield::Extract("</name>a<name>b</name>", "<name>", "</name>", value));
  EXPECT_EQ(value, "");  // the first closing tag stands before the opening one
}

TEST(XmlFieldsTest, FastSearchAgreesWithTheWalkOnRandomBytes) {
  std::mt19937 random(7);
  const std::string alphabet = "<</>ab\x81\xB0\xFE\\";
  const std::string needles[] = {"<a>", "</a>", "<", "a", "\xB0<"};
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 24, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    for (const std::string& needle : needles)
      ASSERT_EQ(xmlfield::FindAtBoundary(text, needle), FindText(text, needle)) << text;
    // Extract as the walk defines it: both tags searched from the start.
    const size_t open = FindText(text, "<a>"), close = FindText(text, "</a>");
    std::string value = "old";
    const bool found = xmlfield::Extract(text, "<a>", "</a>", value);
    ASSERT_EQ(found, open != std::string::npos && close != std::string::npos) << text;
    if (found) {
      ASSERT_EQ(value, close > open + 3 ? text.substr(open + 3, close - open - 3) : "");
    }
  }
}

}  // namespace
}  // namespace pim
