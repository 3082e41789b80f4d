/* Code pages on Windows: the system's own lead bytes and conversions. */
#include <limits.h>
#include <windows.h>

#include "paperchk_internal.h"

/* Windows Vista's flag; only a UTF-8 system code page (Windows 10 and later)
 * is converted with it. */
#ifndef WC_ERR_INVALID_CHARS
#define WC_ERR_INVALID_CHARS 0x00000080
#endif

static UINT system_number(unsigned number) { return number == 0 ? CP_ACP : (UINT)number; }

static int is_utf8(UINT number) { return number == CP_UTF8 || (number == CP_ACP && GetACP() == CP_UTF8); }

int paperchk_load_code_page(unsigned number, paperchk_code_page* page, uint32_t* system_error) {
  CPINFO info;
  size_t range;
  ZeroMemory(page, sizeof *page);
  page->number = number;
  *system_error = 0;
  if (!GetCPInfo(system_number(number), &info)) {
    *system_error = (uint32_t)GetLastError();
    return 0;
  }
  /* Pairs of (first, last), ended by a pair of zeros. */
  for (range = 0; range + 1 < MAX_LEADBYTES && info.LeadByte[range] != 0; range += 2) {
    unsigned byte;
    for (byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte) page->lead[byte] = 1;
  }
  return 1;
}

/* The system's own test: a text it cannot read whole would reach paperchk
 * changed (the command line crosses into the new process as Unicode). */
int paperchk_code_page_holds(const paperchk_code_page* page, const char* text, size_t length) {
  if (length == 0) return 1;
  if (length > INT_MAX) return 0;
  return MultiByteToWideChar(system_number(page->number), MB_ERR_INVALID_CHARS, text, (int)length, NULL, 0) > 0;
}

int paperchk_text_from_unicode(const wchar_t* text, unsigned code_page, int field, char* buffer,
                               size_t buffer_size, paperchk_error* error) {
  const UINT number = system_number(code_page);
  BOOL replaced = FALSE;
  DWORD flags;
  int needed;
  if (buffer != NULL && buffer_size != 0) buffer[0] = '\0';
  if (text == NULL || (buffer == NULL && buffer_size != 0)) {
    paperchk_set_error(error, text == NULL ? field : PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_NULL, 0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  /* No best fit: a character without its own bytes is refused, not replaced.
   * UTF-8 holds every character; only a broken surrogate fails there. */
  flags = is_utf8(number) ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  needed = WideCharToMultiByte(number, flags, text, -1, NULL, 0, NULL, is_utf8(number) ? NULL : &replaced);
  if (needed <= 0) {
    const DWORD code = GetLastError();
    if (code == ERROR_NO_UNICODE_TRANSLATION) {
      paperchk_set_error(error, field, PAPERCHK_RULE_NOT_IN_CODE_PAGE, 0, 0, 0);
    } else {
      paperchk_set_error(error, field, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, (uint32_t)code);
    }
    return PAPERCHK_REFUSED;
  }
  if (replaced) {
    paperchk_set_error(error, field, PAPERCHK_RULE_NOT_IN_CODE_PAGE, 0, 0, 0);
    return PAPERCHK_REFUSED;
  }
  if (buffer == NULL || (size_t)needed > buffer_size) {
    paperchk_set_error(error, field, PAPERCHK_RULE_BUFFER_TOO_SMALL, (size_t)needed, 0, 0);
    return PAPERCHK_REFUSED;
  }
  if (WideCharToMultiByte(number, flags, text, -1, buffer, needed, NULL, NULL) != needed) {
    buffer[0] = '\0';
    paperchk_set_error(error, field, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, (uint32_t)GetLastError());
    return PAPERCHK_REFUSED;
  }
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}
