#include "report/system_lead_bytes.h"

#include <windows.h>

namespace paperchk {

LeadBytes SystemLeadBytes() {
  LeadBytes leadBytes;
  // The platform's own test, byte by byte: the ASCII half never leads.
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    if (IsDBCSLeadByte(static_cast<BYTE>(byte))) {
      leadBytes.AddRange(static_cast<unsigned char>(byte), static_cast<unsigned char>(byte));
    }
  }
  return leadBytes;
}

}  // namespace paperchk
