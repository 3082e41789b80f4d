#pragma once
#include <cstddef>

namespace paperchk {

// A growable, NUL-terminated 8-bit text, the one text type of the program's
// core. It lives on the C heap and needs nothing from the C++ library, so the
// Windows program carries no string classes of its own. Its length is a
// checked limit: whatever would make a text longer than kMaxLength characters
// is cut there. When memory runs out the process ends (std::abort), as an
// unhandled allocation failure would end it.
class TextBuffer {
 public:
  // Longer than any text the program builds: the longest catalogue entry
  // (65,535 characters) plus the longest command-line field and separators.
  static constexpr std::size_t kMaxLength = 131072;

  TextBuffer() = default;
  // Implicit, so that a literal or a field can stand where a text is wanted.
  // cppcheck-suppress noExplicitConstructor ; implicit on purpose, as above
  TextBuffer(const char* text);  // NOLINT(google-explicit-constructor)
  TextBuffer(const char* text, std::size_t length);
  TextBuffer(const TextBuffer& other);
  TextBuffer(TextBuffer&& other) noexcept;
  TextBuffer& operator=(const TextBuffer& other);
  TextBuffer& operator=(TextBuffer&& other) noexcept;
  ~TextBuffer();

  // Never null: an empty text is "".
  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }

  void Clear() { Truncate(0); }
  // Replaces the text by `length` characters of `text` (which may be this
  // text's own characters).
  void Assign(const char* text, std::size_t length);
  void Append(const char* text, std::size_t length);
  void Append(const char* text);
  void Append(const TextBuffer& text) { Append(text.data_, text.length_); }
  // Cuts the text to `length` characters when it is longer.
  void Truncate(std::size_t length);
  // Makes the text `length` NUL characters (cut to the limit) and returns its
  // writable storage, `size() + 1` bytes, for a platform call to fill.
  char* Resize(std::size_t length);

  // At most `length` characters from `position` (nothing past the end).
  TextBuffer Substring(std::size_t position, std::size_t length) const;

 private:
  // Makes room for `capacity` characters and the NUL, keeping the text.
  void Reserve(std::size_t capacity);

  char* data_ = nullptr;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;  // characters that fit, the NUL not counted
};

bool operator==(const TextBuffer& left, const TextBuffer& right);
bool operator==(const TextBuffer& left, const char* right);
inline bool operator!=(const TextBuffer& left, const TextBuffer& right) { return !(left == right); }
inline bool operator!=(const TextBuffer& left, const char* right) { return !(left == right); }

}  // namespace paperchk
