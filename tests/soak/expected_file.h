// What the exchange file must hold, kept step by step as paperchk and the
// driver act on it: paperchk writes only its 8-byte record at offset 0, the
// driver writes the flag at offset 4, cuts or deletes the file. Writing past
// the end fills the gap with zeros, as the file system does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace soak {

using Bytes = std::vector<std::uint8_t>;

class ExpectedFile {
 public:
  void Set(std::optional<Bytes> bytes) { bytes_ = std::move(bytes); }
  // Opening with the open-always disposition creates a missing file, empty.
  void OpenAlways() {
    if (!bytes_) bytes_ = Bytes{};
  }
  void WriteAt(std::size_t offset, const Bytes& data) {
    OpenAlways();
    if (bytes_->size() < offset + data.size()) bytes_->resize(offset + data.size(), 0);
    for (std::size_t i = 0; i < data.size(); ++i) (*bytes_)[offset + i] = data[i];
  }
  void CutTo(std::size_t size) {
    if (bytes_ && bytes_->size() > size) bytes_->resize(size);
  }
  void Delete() { bytes_.reset(); }

  const std::optional<Bytes>& bytes() const { return bytes_; }

 private:
  std::optional<Bytes> bytes_;
};

// "absent" or the bytes in hex, e.g. "01 00 00 00 00 00 00 00 | 7f".
inline std::string Hex(const std::optional<Bytes>& bytes) {
  if (!bytes) return "absent";
  if (bytes->empty()) return "empty";
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < bytes->size(); ++i) {
    if (i > 0) text += i == 8 ? " | " : " ";
    text += kDigits[(*bytes)[i] >> 4];
    text += kDigits[(*bytes)[i] & 0xF];
  }
  return text;
}

}  // namespace soak
