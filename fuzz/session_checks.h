#pragma once
// What the session fuzzer holds the dialog's texts and the exchange file to.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "exchange/exchange_file.h"
#include "resources/text_catalogue.h"

namespace paperchk::fuzz {

// Aborts (a finding for the fuzzer) when a promise is broken.
inline void Require(bool condition, const char* promise) {
  if (condition) return;
  // Nothing to do if stderr is gone: the abort is the finding.
  static_cast<void>(std::fprintf(stderr, "broken promise: %s\n", promise));
  std::abort();
}

// Every text of the program's own table.
inline const std::set<std::string>& CatalogueTexts() {
  static const std::set<std::string> texts = [] {
    std::set<std::string> all;
    std::size_t count = 0;
    const TextEntry* entries = BuiltInTexts(count);
    for (std::size_t i = 0; i < count; ++i) all.insert(entries[i].text);
    return all;
  }();
  return texts;
}

inline bool IsCatalogueTextOrEmpty(const std::string& text) {
  return text.empty() || CatalogueTexts().count(text) != 0;
}

constexpr char kTrayPrefix[] = "Stampante:";
constexpr std::size_t kTrayEntryMaxLength = 255;

// "Stampante:" and a catalogue text (or nothing), the whole cut to 255
// characters.
inline bool IsTrayEntry(const std::string& entry) {
  const std::string prefix = kTrayPrefix;
  if (entry.size() > kTrayEntryMaxLength || entry.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string source = entry.substr(prefix.size());
  if (IsCatalogueTextOrEmpty(source)) return true;
  if (entry.size() != kTrayEntryMaxLength) return false;
  return std::any_of(CatalogueTexts().begin(), CatalogueTexts().end(),
                     [&source](const std::string& text) { return text.compare(0, source.size(), source) == 0; });
}

// The first 8 bytes of a record as the driver reads them.
inline std::vector<std::uint8_t> RecordBytes(std::uint32_t decision, std::uint32_t flag) {
  std::vector<std::uint8_t> bytes(PAPERCHK_RECORD_SIZE);
  paperchk_record_put32(decision, bytes.data() + PAPERCHK_DECISION_OFFSET);
  paperchk_record_put32(flag, bytes.data() + PAPERCHK_COMPLETION_FLAG_OFFSET);
  return bytes;
}

inline std::uint32_t LittleEndian32(const std::uint8_t* bytes) { return paperchk_record_get32(bytes); }

// The bytes from offset 8 on (none for a shorter file).
inline std::vector<std::uint8_t> Tail(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() <= kExchangeRecordSize) return {};
  return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(kExchangeRecordSize), bytes.end());
}

}  // namespace paperchk::fuzz
