/* The builder for texts that carry their length, for callers whose strings
 * may hold a NUL (the C++ layer's std::string): such a text is refused with
 * PAPERCHK_RULE_NUL instead of being cut at it. C drivers need none of it. */
#ifndef PAPERCHK_COUNTED_H
#define PAPERCHK_COUNTED_H

#include "paperchk_client.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct paperchk_text {
  const char* text; /* may be null only for the program path (then only the tail is built) */
  size_t length;
} paperchk_text;

typedef struct paperchk_counted_request {
  paperchk_text printer_name;
  paperchk_text port;
  size_t item_count; /* any number: 0 or more than 3 is refused before `items` is read */
  const paperchk_item* items;
  uint32_t paper_source;
  int second_tray_shown;
  uint32_t other_tray_size;
  uint32_t other_tray_media;
  paperchk_text exchange_path;
  unsigned code_page; /* 0: the system's */
} paperchk_counted_request;

/* paperchk_build_command_line for counted texts; with program_path.text null
 * it writes only what follows the program path (from the item-count word). */
int paperchk_build_counted(paperchk_text program_path, const paperchk_counted_request* request, char* buffer,
                           size_t buffer_size, paperchk_error* error);

#ifdef __cplusplus
}
#endif

#endif /* PAPERCHK_COUNTED_H */
