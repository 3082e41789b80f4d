/* Shared by the library's sources; not for drivers. */
#ifndef PAPERCHK_INTERNAL_H
#define PAPERCHK_INTERNAL_H

#include "paperchk_client.h"

#ifdef __cplusplus
extern "C" {
#endif

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

/* Non-zero when `path` (UTF-16, `length` units, no NUL) names no disk file
 * by the system's rules, read from the text alone: a reserved device name
 * (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, with any
 * extension, trailing spaces or dots, in any folder), anything under "\\.\"
 * or the "\\?\" namespace but a drive, a volume or a share (GLOBALROOT, pipe,
 * a device), and a server's pipes and mailslots ("\\server\pipe\..."). */
int paperchk_names_no_disk_file(const uint16_t* path, size_t length);

#ifdef _WIN32
/* The same for an 8-bit path in the system's code page, as CreateFileA reads
 * it. A path too long to convert is refused too, with *system_error set. */
int paperchk_system_names_no_disk_file(const char* path, uint32_t* system_error);
#endif

#ifdef __cplusplus
}
#endif

#endif /* PAPERCHK_INTERNAL_H */
