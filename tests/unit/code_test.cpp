#include "report/code.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace paperchk {
namespace {

struct CodeCase {
  const char* field;
  std::int32_t expected;
};

void ExpectConversions(std::initializer_list<CodeCase> cases) {
  for (const CodeCase& c : cases) {
    EXPECT_EQ(ConvertCode(c.field), c.expected) << "field \"" << c.field << "\"";
  }
}

TEST(ConvertCode, PlainNumbers) {
  ExpectConversions({{"0", 0}, {"30001", 30001}, {"65535", 65535}, {"007", 7}});
}

TEST(ConvertCode, NoDigitsGiveZero) {
  ExpectConversions({{"", 0}, {"   ", 0}, {"+", 0}, {"-", 0}, {"abc", 0},
                     {"--5", 0}, {"+-5", 0}, {"- 5", 0}, {"x12", 0}});
  EXPECT_EQ(ConvertCode(nullptr), 0);
}

TEST(ConvertCode, LeadingWhiteSpaceOfTheCLocaleOnly) {
  ExpectConversions({{" \t\n\v\f\r42", 42}, {"   -7", -7}});
  // Not white space in the C locale: conversion stops at once.
  ExpectConversions({{"\xA0" "42", 0}, {"\x1C" "42", 0}});
}

TEST(ConvertCode, SignsAndStopCharacters) {
  ExpectConversions({{"+30002", 30002}, {"-1", -1}, {"12abc", 12},
                     {"12 34", 12}, {"3.9", 3}, {"20001\\", 20001}, {"1e5", 1}});
}

TEST(ConvertCode, OverlongNumbersWrapAroundIn32Bits) {
  ExpectConversions({{"2147483647", INT32_MAX},
                     {"2147483648", INT32_MIN},
                     {"-2147483648", INT32_MIN},
                     {"4294967295", -1},
                     {"4294967296", 0},
                     {"4294967297", 1},
                     {"-4294967297", -1},
                     {"99999999999999999999", 1661992959}});
}

}  // namespace
}  // namespace paperchk
