#include "report/mismatch_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/code_pages.h"

namespace paperchk {
namespace {

const std::string kProgram = "C:\\Drv\\chk.exe";

// Copies and parses `line` the way the program does.
bool Parse(const std::string& line, MismatchReport& report) {
  char buffer[kCommandLineSize];
  if (!CopyCommandLine(line.c_str(), buffer)) return false;
  return ParseCommandLine(buffer, report);
}

std::string Join(const std::vector<std::string>& fields) {
  std::string joined;
  for (const std::string& field : fields) joined += (joined.empty() ? "" : "\\") + field;
  return joined;
}

// One-item fields in command-line order, exchange path last.
std::vector<std::string> OneItemFields() {
  return {"\"Stampante A\"", "LPT1:", "40001", "50009", "768", "30002", "1", "1024",
          "20001", "C:\\Temp\\kld.dat"};
}

std::string OneItemLine() { return kProgram + " 1_Item " + Join(OneItemFields()); }

bool IsEmpty(const MismatchReport& report) {
  const MismatchReport empty{};
  return std::memcmp(&report, &empty, sizeof report) == 0;
}

void ExpectItem(const MismatchItem& item, const char* name, const char* application,
                const char* printer) {
  EXPECT_STREQ(item.settingName, name);
  EXPECT_STREQ(item.applicationValue, application);
  EXPECT_STREQ(item.printerValue, printer);
}

void ExpectOneItemReport(const MismatchReport& report) {
  EXPECT_EQ(report.itemCount, 1u);
  EXPECT_STREQ(report.printerName, "Stampante A");
  EXPECT_STREQ(report.port, "LPT1:");
  ExpectItem(report.items[0], "40001", "50009", "768");
  ExpectItem(report.items[1], "", "", "");
  ExpectItem(report.items[2], "", "", "");
  EXPECT_STREQ(report.paperSource, "30002");
  EXPECT_STREQ(report.twoTrayFlag, "1");
  EXPECT_STREQ(report.otherTraySize, "1024");
  EXPECT_STREQ(report.otherTrayMedia, "20001");
  EXPECT_STREQ(report.exchangePath, "C:\\Temp\\kld.dat");
}

TEST(CommandLineTokenizer, BehavesLikeStrtokWithOneDelimiterPerCall) {
  char text[] = "  ab  c\\\\d\\e f";
  CommandLineTokenizer tokenizer(text);
  EXPECT_STREQ(tokenizer.Next(' '), "ab");
  EXPECT_STREQ(tokenizer.Next('\\'), " c");  // only the named delimiter is skipped
  EXPECT_EQ(text[4], '\0');                  // the ending delimiter became NUL
  EXPECT_STREQ(tokenizer.Next('\\'), "d");
  EXPECT_STREQ(tokenizer.Next(' '), "e");
  EXPECT_STREQ(tokenizer.Next(' '), "f");
  EXPECT_EQ(tokenizer.Next(' '), nullptr);
  EXPECT_EQ(tokenizer.Next('\\'), nullptr);

  char onlyDelimiters[] = "\\\\\\";
  EXPECT_EQ(CommandLineTokenizer(onlyDelimiters).Next('\\'), nullptr);
}

TEST(ParseCommandLine, OneItemYieldsEveryFieldAndKeepsBackslashesOfThePath) {
  MismatchReport report;
  ASSERT_TRUE(Parse(OneItemLine(), report));
  EXPECT_STREQ(report.itemCountToken, "1_Item");
  ExpectOneItemReport(report);
}

TEST(ParseCommandLine, TwoAndThreeItemsMapTheirSlots) {
  MismatchReport report;
  ASSERT_TRUE(Parse(kProgram + " 2_Item \"P\"\\\\\\srv,q\\n1\\a1\\p1\\n2\\a2\\p2\\"
                               "src\\0\\size\\media\\\\\\host\\share\\x.dat",
                    report));
  EXPECT_EQ(report.itemCount, 2u);
  EXPECT_STREQ(report.printerName, "P");
  EXPECT_STREQ(report.port, "srv,q");
  ExpectItem(report.items[0], "n1", "a1", "p1");
  ExpectItem(report.items[1], "n2", "a2", "p2");
  ExpectItem(report.items[2], "", "", "");
  EXPECT_STREQ(report.paperSource, "src");
  EXPECT_STREQ(report.twoTrayFlag, "0");
  EXPECT_STREQ(report.otherTraySize, "size");
  EXPECT_STREQ(report.otherTrayMedia, "media");
  // Only the backslash that ends the media field separates; the path is read
  // up to a space and keeps its own leading backslashes.
  EXPECT_STREQ(report.exchangePath, "\\\\host\\share\\x.dat");

  ASSERT_TRUE(Parse(kProgram + " 3_Item \"Rete 2\"\\USB001\\n1\\a1\\p1\\n2\\a2\\p2\\n3\\a3\\p3\\"
                               "src\\two\\size\\media\\D:\\x",
                    report));
  EXPECT_EQ(report.itemCount, 3u);
  EXPECT_STREQ(report.printerName, "Rete 2");
  EXPECT_STREQ(report.port, "USB001");
  ExpectItem(report.items[0], "n1", "a1", "p1");
  ExpectItem(report.items[1], "n2", "a2", "p2");
  ExpectItem(report.items[2], "n3", "a3", "p3");
  EXPECT_STREQ(report.paperSource, "src");
  EXPECT_STREQ(report.twoTrayFlag, "two");
  EXPECT_STREQ(report.otherTraySize, "size");
  EXPECT_STREQ(report.otherTrayMedia, "media");
  EXPECT_STREQ(report.exchangePath, "D:\\x");
}

TEST(ParseCommandLine, ItemCountWordIgnoresCaseOnly) {
  MismatchReport report;
  for (const char* word : {"1_ITEM", "1_item", "1_iTeM"}) {
    std::string line = kProgram + " " + word + " " + Join(OneItemFields());
    ASSERT_TRUE(Parse(line, report)) << word;
    EXPECT_STREQ(report.itemCountToken, word);
    ExpectOneItemReport(report);
  }
  for (const char* word : {"4_Item", "0_Item", "1_Items", "1Item", "1_Ite", "1_Item\\x"}) {
    EXPECT_FALSE(Parse(kProgram + " " + word + " " + Join(OneItemFields()), report)) << word;
  }
}

TEST(ParseCommandLine, RefusesLinesWithoutProgramPathOrItemCountWord) {
  MismatchReport report;
  for (const std::string& line :
       {std::string(), std::string("   "), kProgram, kProgram + "   ", kProgram + " 1_Item",
        kProgram + " 1_Item   ", kProgram + " 1_Item \\\\\\"}) {
    EXPECT_FALSE(Parse(line, report)) << line;
  }
  // A space in the program path makes its remainder the second word.
  EXPECT_FALSE(Parse("C:\\Program Files\\chk.exe 1_Item " + Join(OneItemFields()), report));
}

TEST(ParseCommandLine, RefusesTooFewFieldsForTheItemCount) {
  MismatchReport report;
  std::vector<std::string> fields = OneItemFields();
  fields.pop_back();  // no exchange path
  EXPECT_FALSE(Parse(kProgram + " 1_Item " + Join(fields), report));
  EXPECT_FALSE(Parse(kProgram + " 1_Item " + Join(fields) + "\\", report));
  // One-item fields under a larger count.
  EXPECT_FALSE(Parse(kProgram + " 2_Item " + Join(OneItemFields()), report));
  EXPECT_FALSE(Parse(kProgram + " 3_Item " + Join(OneItemFields()), report));
}

TEST(ParseCommandLine, RunsOfBackslashesAreOneSeparator) {
  MismatchReport report;
  // Doubled separators change nothing.
  ASSERT_TRUE(Parse(kProgram + " 1_Item \\\\\"Stampante A\"\\\\LPT1:\\\\\\40001\\50009\\768\\"
                               "30002\\\\1\\1024\\20001\\C:\\Temp\\kld.dat",
                    report));
  ExpectOneItemReport(report);

  // An empty field cannot be passed: later fields move up one slot.
  std::vector<std::string> fields = OneItemFields();
  fields[2] = "";
  ASSERT_TRUE(Parse(kProgram + " 1_Item " + Join(fields), report));
  ExpectItem(report.items[0], "50009", "768", "30002");
  EXPECT_STREQ(report.otherTrayMedia, "C:");
  EXPECT_STREQ(report.exchangePath, "Temp\\kld.dat");
  // With a path free of backslashes too few fields remain.
  fields.back() = "kld.dat";
  EXPECT_FALSE(Parse(kProgram + " 1_Item " + Join(fields), report));
}

TEST(ParseCommandLine, PrinterNameLosesFirstAndLastCharacter) {
  MismatchReport report;
  const std::pair<const char*, const char*> cases[] = {
      {"Stampante", "tampant"}, {"\"\"", ""}, {"Q", ""}, {"ABC", "B"}, {"\" x \"", " x "}};
  for (const auto& [field, name] : cases) {
    std::vector<std::string> fields = OneItemFields();
    fields[0] = field;
    ASSERT_TRUE(Parse(kProgram + " 1_Item " + Join(fields), report)) << field;
    EXPECT_STREQ(report.printerName, name) << field;
  }
}

// In a double-byte code page a character's second byte may be 0x5C or 0x7C
// ("\x83\x5C" is Shift-JIS katakana so): no separator, not cut from the
// name. Half-width katakana (0xA1 to 0xDF) are single bytes in 932.
TEST(ParseCommandLine, DoubleByteCharactersAreReadWhole) {
  const struct {
    unsigned codePage;
    const char *nameField, *port, *name;
  } cases[] = {
      {932, "\"\x83\x47\x83\x76\x83\x5C\x83\x93\"", "\x83\x5C\x95\x5C\x94\x5C\x83\x7C",
       "\x83\x47\x83\x76\x83\x5C\x83\x93"},
      {932, "X\x83\x5C\x95\x5C\x94\x5C", "LPT1:", "\x83\x5C\x95\x5C"},  // unquoted: the last character goes whole
      {932, "\x95\x5C", "LPT1:", ""},                                   // one character
      {932, "\"\xB4\xCC\xDF\xBF\xDD\"", "\xBF", "\xB4\xCC\xDF\xBF\xDD"},
      {936, "\"\x81\x5C\"", "\xB4\xF2\x81\x5C", "\x81\x5C"},
      {949, "X\xC7\xC1\xB8\xB0", "\xC5\xCD", "\xC7\xC1"},
      {950, "\"\xB3\x5C\xA5\x5C\"", "\xBB\x5C", "\xB3\x5C\xA5\x5C"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> fields = OneItemFields();
    fields[0] = c.nameField;
    fields[1] = c.port;
    char buffer[kCommandLineSize];
    ASSERT_TRUE(CopyCommandLine((kProgram + " 1_Item " + Join(fields)).c_str(), buffer));
    MismatchReport report;
    ASSERT_TRUE(ParseCommandLine(buffer, report, fakes::KnownLeadBytes(c.codePage))) << c.nameField;
    EXPECT_STREQ(report.printerName, c.name) << c.codePage;
    EXPECT_STREQ(report.port, c.port) << c.codePage;
    ExpectItem(report.items[0], "40001", "50009", "768");
  }
}

TEST(ParseCommandLine, FieldsAtTheirLimitAreAcceptedAndOneMoreIsRefused) {
  struct Limit {
    const char* what;
    std::size_t slot;  // in OneItemFields()
    std::size_t longest;
  };
  const Limit limits[] = {{"printer name token", 0, kTokenSize - 1},
                          {"port", 1, kPortSize - 1},
                          {"setting name", 2, kCodeSize - 1},
                          {"application value", 3, kCodeSize - 1},
                          {"printer value", 4, kCodeSize - 1},
                          {"paper source", 5, kCodeSize - 1},
                          {"two-tray flag", 6, kTwoTrayFlagSize - 1},
                          {"other tray size", 7, kCodeSize - 1},
                          {"other tray media", 8, kCodeSize - 1},
                          {"exchange path token", 9, kTokenSize - 1}};
  MismatchReport report;
  for (const Limit& limit : limits) {
    std::vector<std::string> fields = OneItemFields();
    fields[limit.slot] = std::string(limit.longest, '7');
    ASSERT_TRUE(Parse(kProgram + " 1_Item " + Join(fields), report)) << limit.what;
    fields[limit.slot] += '7';
    EXPECT_FALSE(Parse(kProgram + " 1_Item " + Join(fields), report)) << limit.what;
  }
  std::vector<std::string> fields = OneItemFields();
  fields[0] = std::string(kTokenSize - 1, 'N');
  ASSERT_TRUE(Parse(kProgram + " 1_Item " + Join(fields), report));
  EXPECT_EQ(std::strlen(report.printerName), kTokenSize - 3);

  const std::string longestProgram(kProgramPathSize - 1, 'p');
  EXPECT_TRUE(Parse(longestProgram + " 1_Item " + Join(OneItemFields()), report));
  EXPECT_FALSE(Parse(longestProgram + "p 1_Item " + Join(OneItemFields()), report));

  // No item-count word fits 63 characters, but an overlong one is refused
  // before it is compared.
  EXPECT_FALSE(Parse(kProgram + " " + std::string(kItemCountTokenSize, 'x'), report));
  EXPECT_TRUE(IsEmpty(report));
}

TEST(ParseCommandLine, WordsAfterTheExchangePathAreIgnored) {
  MismatchReport report;
  std::string manyWords;
  for (int word = 0; word < 200; ++word) manyWords += " w" + std::to_string(word);
  const std::string longWord(3000, 'L');
  for (const std::string& extra : {manyWords, " " + longWord, std::string(" a\\b\\c\\d")}) {
    ASSERT_TRUE(Parse(OneItemLine() + extra, report));
    ExpectOneItemReport(report);
  }
  // The path ends at a space.
  std::vector<std::string> fields = OneItemFields();
  fields.back() = "C:\\Doc e impostazioni\\kld.dat";
  ASSERT_TRUE(Parse(kProgram + " 1_Item " + Join(fields), report));
  EXPECT_STREQ(report.exchangePath, "C:\\Doc");
}

TEST(CopyCommandLine, AcceptsUpTo4095Characters) {
  char buffer[kCommandLineSize];
  const std::string padding = " " + std::string(4000, 'x');
  std::string longest = OneItemLine() + padding;
  longest.resize(kCommandLineSize - 1, 'y');
  ASSERT_TRUE(CopyCommandLine(longest.c_str(), buffer));
  EXPECT_EQ(std::string(buffer), longest);
  MismatchReport report;
  ASSERT_TRUE(ParseCommandLine(buffer, report));
  ExpectOneItemReport(report);

  longest += 'y';
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_FALSE(CopyCommandLine(longest.c_str(), buffer));
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_FALSE(CopyCommandLine(nullptr, buffer));
}

TEST(ParseCommandLine, ClearsTheReportFirstAndLeavesItEmptyOnRefusal) {
  MismatchReport report;
  ASSERT_TRUE(Parse(kProgram + " 3_Item \"P\"\\p\\1\\2\\3\\4\\5\\6\\7\\8\\9\\s\\t\\z\\m\\x", report));
  ASSERT_TRUE(Parse(OneItemLine(), report));
  ExpectOneItemReport(report);  // no leftovers of the third item

  EXPECT_FALSE(Parse(kProgram + " 2_Item " + Join(OneItemFields()), report));
  EXPECT_TRUE(IsEmpty(report));
  EXPECT_FALSE(ParseCommandLine(nullptr, report));
}

}  // namespace
}  // namespace paperchk
