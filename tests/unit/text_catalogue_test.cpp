#include "resources/text_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace paperchk {
namespace {

const BuiltInTextCatalogue kCatalogue;

std::string Lookup(std::int32_t number, bool expectFound) {
  TextBuffer text = "leftover";
  EXPECT_EQ(kCatalogue.Lookup(number, text), expectFound) << number;
  return std::string(text.c_str(), text.size());
}

TEST(BuiltInTexts, TableIsAscendingAsciiAndAtMost250Characters) {
  std::size_t count = 0;
  const TextEntry* entries = BuiltInTexts(count);
  ASSERT_EQ(count, 97u);
  EXPECT_EQ(entries[0].number, 0);
  EXPECT_EQ(entries[count - 1].number, 65535);
  for (std::size_t index = 0; index < count; ++index) {
    if (index > 0) {
      EXPECT_LT(entries[index - 1].number, entries[index].number);
    }
    for (const char* c = entries[index].text; *c != '\0'; ++c) {
      EXPECT_TRUE(*c >= 0x20 && *c < 0x7F) << entries[index].number;
    }
    EXPECT_LE(std::strlen(entries[index].text), 250u) << entries[index].number;
  }
}

TEST(BuiltInTextCatalogue, FixedTextsAndSharedTexts) {
  EXPECT_EQ(Lookup(kTextOther, true), "Altro");
  EXPECT_EQ(Lookup(20010, true), "Altro");
  EXPECT_EQ(Lookup(kTextTitle, true), "Verifica carta");
  EXPECT_EQ(Lookup(kTextPort, true), "Porta : ");
  EXPECT_EQ(Lookup(kTextManualFeed, true), "Alimentazione Manuale");
  EXPECT_EQ(Lookup(kTextManualFeedAlt, true), "Alimentazione Manuale");
  EXPECT_EQ(Lookup(50256, true), "Definito dall'utente");
  EXPECT_EQ(Lookup(65535, true), "Definito dall'utente");
  EXPECT_EQ(Lookup(50269, true), "Carta fotografica KELDA");
}

TEST(BuiltInTextCatalogue, TrailingSpacesAreKept) {
  EXPECT_EQ(Lookup(20009, true), "Carta spessa ");
  EXPECT_EQ(Lookup(34463, true), "Incomprensibile ");
  EXPECT_EQ(Lookup(40001, true), "Percorso carta ");
  const std::string upperTray = Lookup(kTextUpperTray, true);
  const std::string lowerTray = Lookup(kTextLowerTray, true);
  EXPECT_EQ(upperTray, "Vassoio carta  ");
  EXPECT_EQ(lowerTray, "Vassoio carta (inferiore)");
  EXPECT_NE(lowerTray.compare(0, upperTray.size(), upperTray), 0);
}

TEST(BuiltInTextCatalogue, LowerMessageIsTheWhole250Characters) {
  const std::string lower = Lookup(kTextLowerMessage, true);
  EXPECT_EQ(lower.size(), 250u);
  EXPECT_EQ(lower.substr(0, 11), "Tentate di ");
  EXPECT_EQ(lower.substr(lower.size() - 9), "'Annulla'");
}

TEST(BuiltInTextCatalogue, NumbersWithoutTextYieldEmptyAndFailure) {
  for (std::int32_t number : {1, 110, 123, 255, 258, 20000, 30007, 50265, 61440, 65534,
                              65536, 65536 + 111, -1, -65535, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(Lookup(number, false), "") << number;
  }
}

TEST(CodeText, ConvertsThenLooksUp) {
  EXPECT_STREQ(CodeText(kCatalogue, "").c_str(), "Altro");
  EXPECT_STREQ(CodeText(kCatalogue, "abc").c_str(), "Altro");
  EXPECT_STREQ(CodeText(kCatalogue, " 768").c_str(), "A4");
  EXPECT_STREQ(CodeText(kCatalogue, "40002x").c_str(), "Formato carta");
  EXPECT_STREQ(CodeText(kCatalogue, "258").c_str(), "");
  EXPECT_STREQ(CodeText(kCatalogue, "-30001").c_str(), "");
  // 4294967407 wraps around to 111.
  EXPECT_STREQ(CodeText(kCatalogue, "4294967407").c_str(), "Verifica carta");
  EXPECT_STREQ(Text(kCatalogue, kTextRetry).c_str(), "Riprova");
  EXPECT_STREQ(Text(kCatalogue, 65536 + kTextTitle).c_str(), "");
}

}  // namespace
}  // namespace paperchk
