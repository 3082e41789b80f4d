// The lead bytes of Windows' double-byte code pages for host tests, from
// the table the client library's host build reads (the Windows tests check
// that table against the system's).
#pragma once

#include "client/lead_byte_ranges.h"
#include "report/lead_bytes.h"

namespace paperchk::fakes {

inline LeadBytes KnownLeadBytes(unsigned codePage) {
  unsigned char ranges[PAPERCHK_MAX_LEAD_BYTE_RANGES][2];
  const std::size_t count = paperchk_known_lead_byte_ranges(codePage, ranges);
  LeadBytes leadBytes;
  for (std::size_t i = 0; i < count; ++i) leadBytes.AddRange(ranges[i][0], ranges[i][1]);
  return leadBytes;
}

}  // namespace paperchk::fakes
