#include "report/lead_bytes.h"

namespace paperchk {

const LeadBytes& LeadBytes::SingleByte() {
  static const LeadBytes singleByte;
  return singleByte;
}

void LeadBytes::AddRange(unsigned char first, unsigned char last) {
  for (unsigned byte = first; byte <= last; ++byte) isLead_[byte] = true;
}

std::size_t LeadBytes::CutLength(const char* text, std::size_t length, std::size_t limit) const {
  if (length <= limit) return length;
  std::size_t cut = 0;
  while (cut < length) {
    const std::size_t next = cut + CharacterLength(text + cut, length - cut);
    if (next > limit) break;
    cut = next;
  }
  return cut;
}

}  // namespace paperchk
