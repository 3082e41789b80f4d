/* Code pages on POSIX hosts (the library's tests): the double-byte code pages
 * from the known table, every other one, the "system's" included, single-byte. */
#include <string.h>

#include "lead_byte_ranges.h"
#include "paperchk_internal.h"

int paperchk_load_code_page(unsigned number, paperchk_code_page* page, uint32_t* system_error) {
  unsigned char ranges[PAPERCHK_MAX_LEAD_BYTE_RANGES][2];
  const size_t count = paperchk_known_lead_byte_ranges(number, ranges);
  size_t index;
  memset(page, 0, sizeof *page);
  page->number = number;
  *system_error = 0;
  for (index = 0; index < count; ++index) {
    unsigned byte;
    for (byte = ranges[index][0]; byte <= ranges[index][1]; ++byte) page->lead[byte] = 1;
  }
  return 1;
}

/* Without the system's tables only a lead byte at the end is known broken. */
int paperchk_code_page_holds(const paperchk_code_page* page, const char* text, size_t length) {
  size_t index = 0;
  while (index < length) {
    if (!page->lead[(unsigned char)text[index]]) {
      ++index;
    } else if (index + 1 < length) {
      index += 2;
    } else {
      return 0;
    }
  }
  return 1;
}
