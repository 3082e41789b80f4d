#include "resources/text_catalogue.h"

#include <algorithm>
#include <iterator>

#include "report/code.h"

namespace paperchk {

namespace {

constexpr TextEntry kTexts[] = {
#define PAPERCHK_TEXT(number, text) {number, text},
#include "resources/texts.def"
#undef PAPERCHK_TEXT
};

constexpr bool StrictlyAscending(const TextEntry* entries, std::size_t count) {
  for (std::size_t index = 1; index < count; ++index) {
    if (entries[index - 1].number >= entries[index].number) return false;
  }
  return true;
}
// Lookup relies on this for its binary search.
static_assert(StrictlyAscending(kTexts, std::size(kTexts)),
              "texts.def must list each number once, in ascending order");

constexpr std::int32_t kLargestTextNumber = 65535;

}  // namespace

const TextEntry* BuiltInTexts(std::size_t& count) {
  count = std::size(kTexts);
  return kTexts;
}

bool BuiltInTextCatalogue::Lookup(std::int32_t number, TextBuffer& text) const {
  text.Clear();
  if (number < 0 || number > kLargestTextNumber) return false;
  const auto wanted = static_cast<std::uint16_t>(number);
  const TextEntry* end = std::end(kTexts);
  const TextEntry* found = std::lower_bound(
      std::begin(kTexts), end, wanted,
      [](const TextEntry& entry, std::uint16_t value) { return entry.number < value; });
  if (found == end || found->number != wanted) return false;
  text = found->text;
  return true;
}

TextBuffer CodeText(const TextCatalogue& catalogue, const char* field) {
  return Text(catalogue, ConvertCode(field));
}

TextBuffer Text(const TextCatalogue& catalogue, std::int32_t number) {
  TextBuffer text;
  if (!catalogue.Lookup(number, text)) text.Clear();
  return text;
}

}  // namespace paperchk
