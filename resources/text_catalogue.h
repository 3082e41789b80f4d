#pragma once
#include <cstddef>
#include <cstdint>

#include "text/text_buffer.h"

namespace paperchk {

// Numbers of the texts the program itself uses.
enum TextId : std::uint16_t {
  kTextOther = 0,                // "Altro"
  kTextTitle = 111,              // "Verifica carta"
  kTextPrinterPrefix = 112,      // "Stampante:"
  kTextPort = 113,               // "Porta : "
  kTextUpperMessage = 114,
  kTextLowerMessage = 115,
  kTextSettingsHeader = 116,     // "Impostazioni"
  kTextApplicationHeader = 117,  // "Applicazione"
  kTextRetry = 118,              // "Riprova"
  kTextIgnore = 119,             // "Ignora"
  kTextCancel = 120,             // "Annulla"
  kTextHelp = 121,               // "?"
  kTextWaitMessage = 122,
  kTextManualFeed = 30001,       // "Alimentazione Manuale"
  kTextUpperTray = 30002,        // "Vassoio carta  "
  kTextManualFeedAlt = 30004,    // "Alimentazione Manuale"
  kTextLowerTray = 30005,        // "Vassoio carta (inferiore)"
};

// The string catalogue: number -> text. Numbers outside 0..65535 have no text.
class TextCatalogue {
 public:
  virtual ~TextCatalogue() = default;
  // Loads the text of `number` into `text`. A number without text yields the
  // empty text and false.
  virtual bool Lookup(std::int32_t number, TextBuffer& text) const = 0;
};

// One entry of the program's own table (resources/texts.def).
struct TextEntry {
  std::uint16_t number;
  const char* text;
};

// The whole table, in ascending order of number.
const TextEntry* BuiltInTexts(std::size_t& count);

// The catalogue compiled into the program from resources/texts.def. The
// Windows program loads the same texts from its string-table resource.
class BuiltInTextCatalogue final : public TextCatalogue {
 public:
  bool Lookup(std::int32_t number, TextBuffer& text) const override;
};

// The row text of a code field: the text of ConvertCode(field), empty when the
// number has no text.
TextBuffer CodeText(const TextCatalogue& catalogue, const char* field);

// Convenience for fixed texts: the text of `number`, empty when it has none.
TextBuffer Text(const TextCatalogue& catalogue, std::int32_t number);

}  // namespace paperchk
