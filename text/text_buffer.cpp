#include "text/text_buffer.h"

#include <cstdlib>
#include <cstring>

namespace paperchk {

namespace {

std::size_t Limited(std::size_t length) {
  return length < TextBuffer::kMaxLength ? length : TextBuffer::kMaxLength;
}

}  // namespace

TextBuffer::TextBuffer(const char* text) { Append(text); }

TextBuffer::TextBuffer(const char* text, std::size_t length) { Append(text, length); }

TextBuffer::TextBuffer(const TextBuffer& other) { Append(other); }

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

TextBuffer& TextBuffer::operator=(const TextBuffer& other) {
  if (this != &other) Assign(other.data_, other.length_);
  return *this;
}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.length_ = 0;
    other.capacity_ = 0;
  }
  return *this;
}

TextBuffer::~TextBuffer() { std::free(data_); }

void TextBuffer::Reserve(std::size_t capacity) {
  // Afterwards there is always storage, even for an empty text.
  if (capacity <= capacity_ && data_ != nullptr) return;
  // Doubling keeps a run of appends linear.
  std::size_t grown = capacity_ < 15 ? 15 : capacity_ * 2;
  if (grown < capacity) grown = capacity;
  grown = Limited(grown);
  // A fresh block, so that a source inside the old one stays readable.
  auto* block = static_cast<char*>(std::malloc(grown + 1));
  if (block == nullptr) std::abort();
  if (data_ != nullptr && length_ != 0) std::memcpy(block, data_, length_);
  block[length_] = '\0';
  std::free(data_);
  data_ = block;
  capacity_ = grown;
}

void TextBuffer::Assign(const char* text, std::size_t length) {
  // Copied first, so that `text` may lie in this text's own storage.
  TextBuffer copy(text, length);
  *this = static_cast<TextBuffer&&>(copy);
}

void TextBuffer::Append(const char* text, std::size_t length) {
  if (text == nullptr || length == 0) return;
  const std::size_t added = Limited(length_ + Limited(length)) - length_;
  if (added == 0) return;
  // The source may lie in this text's own storage, which Reserve replaces.
  const bool own = data_ != nullptr && text >= data_ && text < data_ + capacity_ + 1;
  const std::size_t offset = own ? static_cast<std::size_t>(text - data_) : 0;
  Reserve(length_ + added);
  const char* source = own ? data_ + offset : text;
  std::memmove(data_ + length_, source, added);
  length_ += added;
  data_[length_] = '\0';
}

void TextBuffer::Append(const char* text) {
  if (text != nullptr) Append(text, std::strlen(text));
}

void TextBuffer::Truncate(std::size_t length) {
  if (length >= length_) return;
  length_ = length;
  data_[length_] = '\0';
}

char* TextBuffer::Resize(std::size_t length) {
  length = Limited(length);
  Reserve(length);
  std::memset(data_, 0, length + 1);
  length_ = length;
  return data_;
}

TextBuffer TextBuffer::Substring(std::size_t position, std::size_t length) const {
  if (position >= length_) return TextBuffer();
  const std::size_t available = length_ - position;
  return TextBuffer(data_ + position, length < available ? length : available);
}

bool operator==(const TextBuffer& left, const TextBuffer& right) {
  return left.size() == right.size() && std::memcmp(left.c_str(), right.c_str(), left.size()) == 0;
}

bool operator==(const TextBuffer& left, const char* right) {
  if (right == nullptr) return left.empty();
  return std::strlen(right) == left.size() && std::memcmp(left.c_str(), right, left.size()) == 0;
}

}  // namespace paperchk
