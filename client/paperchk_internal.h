/* Shared by the library's sources; not for drivers. */
#ifndef PAPERCHK_INTERNAL_H
#define PAPERCHK_INTERNAL_H

#include "paperchk_client.h"

/* Fills `error` (may be null) with the codes and their sentence. */
void paperchk_set_error(paperchk_error* error, int field, int rule, size_t limit, size_t item,
                        uint32_t system_error);

/* The error of success: every code 0, the message empty. */
void paperchk_clear_error(paperchk_error* error);

/* The range of a time field of the launch options (0, the default, aside);
 * 0 for a field that is no time field. */
int paperchk_time_range(int field, uint32_t* lowest, uint32_t* highest);

/* How a code page's texts are read, as Windows reads them (CharNextA): a
 * lead byte and the byte after it are one character. */
typedef struct paperchk_code_page {
  unsigned number; /* as asked, 0 for the system's */
  unsigned char lead[256];
} paperchk_code_page;

/* Loads the lead bytes of `number` (0: the system's). 0, with the system's
 * error code, when the system does not know the code page. */
int paperchk_load_code_page(unsigned number, paperchk_code_page* page, uint32_t* system_error);

/* Non-zero when `text` (`length` bytes, no NUL) is made of whole characters
 * of the code page, so that it crosses into paperchk's command line unchanged. */
int paperchk_code_page_holds(const paperchk_code_page* page, const char* text, size_t length);

#endif /* PAPERCHK_INTERNAL_H */
