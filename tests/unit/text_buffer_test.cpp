#include "text/text_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace paperchk {
namespace {

std::string Str(const TextBuffer& text) { return std::string(text.c_str(), text.size()); }

TEST(TextBuffer, BuildsCopiesAndMovesTexts) {
  TextBuffer empty;
  EXPECT_STREQ(empty.c_str(), "");
  EXPECT_TRUE(empty == "");
  EXPECT_TRUE(TextBuffer(nullptr).empty());

  TextBuffer title("Verifica");
  title.Append(" ");
  title.Append(TextBuffer("carta"));
  title.Append("xyz", 0);
  EXPECT_EQ(Str(title), "Verifica carta");

  TextBuffer copy = title;
  copy.Append("!");
  EXPECT_EQ(Str(title), "Verifica carta");
  TextBuffer moved = std::move(copy);
  EXPECT_EQ(Str(moved), "Verifica carta!");
  copy = moved;
  EXPECT_TRUE(copy == moved);
  EXPECT_TRUE(copy != title);
  EXPECT_TRUE(title != "Verifica");  // a prefix is not equal
  EXPECT_TRUE(TextBuffer("ab\0c", 4) != "ab");
}

TEST(TextBuffer, OwnCharactersMayBeAppendedAndAssigned) {
  // Growing replaces the storage the source lies in.
  TextBuffer text("0123456789abcdef");
  text.Append(text);
  EXPECT_EQ(Str(text), "0123456789abcdef0123456789abcdef");
  text.Append(text.c_str() + 30, 2);
  EXPECT_EQ(Str(text).substr(30), "efef");
  text.Assign(text.c_str() + 4, 3);
  EXPECT_EQ(Str(text), "456");
}

TEST(TextBuffer, CutsSubstringsAndResizes) {
  const TextBuffer port("\\\\server\\queue");
  EXPECT_EQ(Str(port.Substring(2, 6)), "server");
  EXPECT_EQ(Str(port.Substring(9, 100)), "queue");
  EXPECT_TRUE(port.Substring(14, 1).empty());
  EXPECT_TRUE(port.Substring(100, 1).empty());

  TextBuffer text("abc");
  text.Truncate(5);
  EXPECT_EQ(Str(text), "abc");
  text.Truncate(1);
  EXPECT_EQ(Str(text), "a");

  char* storage = text.Resize(4);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(text.size(), 4u);
  EXPECT_EQ(std::string(storage, 5), std::string(5, '\0'));  // the NUL's byte included
  storage[0] = 'x';
  text.Truncate(1);
  EXPECT_EQ(Str(text), "x");
  EXPECT_EQ(*TextBuffer().Resize(0), '\0');
}

TEST(TextBuffer, NeverGrowsPastItsLimit) {
  const std::string almost(TextBuffer::kMaxLength - 2, 'a');
  TextBuffer text(almost.c_str());
  text.Append("bcd");
  ASSERT_EQ(text.size(), TextBuffer::kMaxLength);
  EXPECT_EQ(Str(text).substr(TextBuffer::kMaxLength - 3), "abc");
  text.Append("e");
  EXPECT_EQ(text.size(), TextBuffer::kMaxLength);
  EXPECT_EQ(text.c_str()[TextBuffer::kMaxLength], '\0');

  const std::string over(TextBuffer::kMaxLength + 10, 'o');
  EXPECT_EQ(TextBuffer(over.c_str()).size(), TextBuffer::kMaxLength);
  EXPECT_EQ(TextBuffer().Resize(TextBuffer::kMaxLength + 10)[TextBuffer::kMaxLength], '\0');
}

}  // namespace
}  // namespace paperchk
