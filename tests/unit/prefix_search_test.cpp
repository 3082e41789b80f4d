// The drop-down list's select-by-text search, which picks the tray the list
// starts on.

#include <gtest/gtest.h>

#include "dialog/prefix_search.h"

namespace paperchk {
namespace {

TEST(FindEntryByPrefix, FirstMatchAfterTheStartWrappingAroundIgnoringCase) {
  const TextBuffer entries[] = {"Stampante:", "Stampante:Vassoio carta  ", "stampante:vassoio", "Altro", "[x"};
  const struct {
    int count;
    int startAfter;
    const char* prefix;
    int found;
  } kCases[] = {
      {4, 0, "Stampante:", 1},         // the entry after the start is tried first
      {4, 1, "Stampante:", 2},         // case does not count
      {4, 2, "Stampante:", 0},         // past the last entry the search goes on at the first
      {4, -1, "Stampante:", 0},        // -1 searches from the first
      {4, 0, "STAMPANTE:VASSOIO", 1},
      {4, 0, "Stampante:Vassoio carta  x", -1},  // a longer prefix than any entry
      {4, 0, "Altr", 3},
      {4, 3, "altro", 3},              // the start itself is tried last
      {4, 0, "", 1},                   // an empty prefix matches every entry
      {4, 7, "Stampante:", 0},         // a start outside the list searches from the first
      {4, -5, "Stampante:", 0},
      {1, 0, "Stampante:", 0},         // one entry: itself
      {2, 0, "Stampante:Vassoio", 1},
      {5, 0, "[X", 4},
      {5, 0, "{x", -1},                // only letters have another case
      {0, 0, "", -1},                  // no entries
  };
  for (const auto& search : kCases) {
    EXPECT_EQ(FindEntryByPrefix(entries, search.count, search.startAfter, search.prefix), search.found)
        << "\"" << search.prefix << "\" after " << search.startAfter << " in " << search.count;
  }
}

}  // namespace
}  // namespace paperchk
