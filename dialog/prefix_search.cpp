#include "dialog/prefix_search.h"

namespace paperchk {

namespace {

char FoldAsciiCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(const TextBuffer& text, const TextBuffer& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAsciiCase(text.c_str()[i]) != FoldAsciiCase(prefix.c_str()[i])) return false;
  }
  return true;
}

}  // namespace

int FindEntryByPrefix(const TextBuffer* entries, int count, int startAfter, const TextBuffer& prefix) {
  if (count <= 0) return -1;
  if (startAfter < -1 || startAfter >= count) startAfter = -1;
  for (int step = 1; step <= count; ++step) {
    const int index = (startAfter + step) % count;
    if (StartsWithIgnoringCase(entries[index], prefix)) return index;
  }
  return -1;
}

}  // namespace paperchk
