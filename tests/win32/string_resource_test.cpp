#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "resources/resource_text_catalogue.h"
#include "resources/text_catalogue.h"

namespace paperchk {
namespace {

TEST(StringResource, EveryBuiltInTextLoadsIdentically) {
  const ResourceTextCatalogue resources;
  std::size_t count = 0;
  const TextEntry* entries = BuiltInTexts(count);
  ASSERT_GT(count, 0u);
  for (std::size_t index = 0; index < count; ++index) {
    TextBuffer text;
    EXPECT_TRUE(resources.Lookup(entries[index].number, text)) << entries[index].number;
    EXPECT_STREQ(text.c_str(), entries[index].text) << entries[index].number;
  }
}

TEST(StringResource, NumbersBetweenTheEntriesHaveNoText) {
  const ResourceTextCatalogue resources;
  std::size_t count = 0;
  const TextEntry* entries = BuiltInTexts(count);
  std::vector<bool> listed(65536, false);
  for (std::size_t index = 0; index < count; ++index) listed[entries[index].number] = true;

  std::size_t unexpected = 0;
  for (std::int32_t number = 0; number <= 65535; ++number) {
    if (listed[static_cast<std::size_t>(number)]) continue;
    TextBuffer text = "leftover";
    if (resources.Lookup(number, text) || !text.empty()) {
      ADD_FAILURE() << "number " << number << " has text \"" << text.c_str() << "\"";
      if (++unexpected == 10) break;
    }
  }
}

TEST(StringResource, NumbersOutsideSixteenBitsHaveNoText) {
  const ResourceTextCatalogue resources;
  for (std::int32_t number : {-1, 65536, 65536 + 111, INT32_MIN, INT32_MAX}) {
    TextBuffer text = "leftover";
    EXPECT_FALSE(resources.Lookup(number, text)) << number;
    EXPECT_STREQ(text.c_str(), "") << number;
  }
  // Resolves codes like the built-in table does.
  EXPECT_STREQ(CodeText(resources, "").c_str(), "Altro");
  EXPECT_STREQ(CodeText(resources, "30002").c_str(), "Vassoio carta  ");
}

}  // namespace
}  // namespace paperchk
