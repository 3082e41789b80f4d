#pragma once
#include <cstddef>

namespace paperchk {

// How texts of the system's code page are read: which bytes start a
// double-byte character. As the platform reads them (CharNextA), such a byte
// and the byte after it, whatever that is unless the text ends, are one
// character, so a trail byte that looks like a backslash, a space or a quote
// is none of them. A single-byte code page has no lead bytes.
class LeadBytes {
 public:
  // The reading of a single-byte code page, where every byte is a character.
  static const LeadBytes& SingleByte();

  // Every byte from `first` to `last` starts a double-byte character.
  void AddRange(unsigned char first, unsigned char last);
  bool IsLeadByte(char byte) const { return isLead_[static_cast<unsigned char>(byte)]; }

  // Bytes of the character that starts at `text`, which has `remaining`
  // bytes before its end (at least 1): 2 for a lead byte with a byte after
  // it, else 1.
  std::size_t CharacterLength(const char* text, std::size_t remaining) const {
    return remaining >= 2 && text[1] != '\0' && IsLeadByte(text[0]) ? 2 : 1;
  }
  // The same in a NUL-terminated text, at a byte that is not its NUL.
  std::size_t CharacterLength(const char* text) const { return CharacterLength(text, 2); }

  // The longest start of `text` (`length` bytes) that is at most `limit`
  // bytes and ends between two characters.
  std::size_t CutLength(const char* text, std::size_t length, std::size_t limit) const;

 private:
  bool isLead_[256] = {};
};

}  // namespace paperchk
