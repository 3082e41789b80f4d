// What the stand-in reads from a raw command line.
#include "desktop.h"

#include <cwchar>

namespace paperchk_driver {

namespace {

// "1_Item", "2_Item" or "3_Item".
std::wstring ItemCountWord(std::size_t itemCount) { return std::to_wstring(itemCount) + L"_Item"; }

}  // namespace

std::wstring ExchangePathOfTail(const std::wstring& tail) {
  const std::size_t wordEnd = tail.find(L' ');
  if (wordEnd == std::wstring::npos) return L"";
  const std::wstring word = tail.substr(0, wordEnd);
  std::size_t fieldCount = 0;
  for (std::size_t items = 1; items <= 3; ++items) {
    if (_wcsicmp(word.c_str(), ItemCountWord(items).c_str()) == 0) fieldCount = 6 + 3 * items;
  }
  if (fieldCount == 0) return L"";
  std::size_t position = wordEnd + 1;
  while (position < tail.size() && tail[position] == L' ') ++position;
  for (std::size_t field = 0; field < fieldCount; ++field) {
    while (position < tail.size() && tail[position] == L'\\') ++position;
    const std::size_t end = tail.find(L'\\', position);
    if (end == std::wstring::npos) return L"";
    position = end;
  }
  while (position < tail.size() && tail[position] == L'\\') ++position;
  while (position < tail.size() && tail[position] == L' ') ++position;
  const std::size_t end = tail.find(L' ', position);
  return tail.substr(position, end == std::wstring::npos ? std::wstring::npos : end - position);
}

}  // namespace paperchk_driver
