/* The lead-byte ranges of Windows' double-byte code pages, as GetCPInfo gives
 * them: a byte in one of these ranges and the byte after it are one
 * character. For hosts without Windows' tables (the library's POSIX build
 * and the tests); on Windows the library and paperchk ask the system. */
#ifndef PAPERCHK_LEAD_BYTE_RANGES_H
#define PAPERCHK_LEAD_BYTE_RANGES_H

#include <stddef.h>

#define PAPERCHK_MAX_LEAD_BYTE_RANGES 2

/* Fills `ranges` with (first, last) pairs and returns how many; 0 for a
 * code page without double-byte characters or one not known here. */
static inline size_t paperchk_known_lead_byte_ranges(unsigned code_page,
                                                     unsigned char ranges[PAPERCHK_MAX_LEAD_BYTE_RANGES][2]) {
  switch (code_page) {
    case 932: /* Japanese (Shift-JIS) */
      ranges[0][0] = 0x81;
      ranges[0][1] = 0x9F;
      ranges[1][0] = 0xE0;
      ranges[1][1] = 0xFC;
      return 2;
    case 936: /* Simplified Chinese (GBK) */
    case 949: /* Korean */
    case 950: /* Traditional Chinese (Big5) */
      ranges[0][0] = 0x81;
      ranges[0][1] = 0xFE;
      return 1;
    default:
      return 0;
  }
}

#endif /* PAPERCHK_LEAD_BYTE_RANGES_H */
