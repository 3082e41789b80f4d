/* Shared by the library's sources; not for drivers. */
#ifndef PAPERCHK_INTERNAL_H
#define PAPERCHK_INTERNAL_H

#include "paperchk_client.h"

/* Fills `error` (may be null) with the codes and their sentence. */
void paperchk_set_error(paperchk_error* error, int field, int rule, size_t limit, size_t item,
                        uint32_t system_error);

/* The error of success: every code 0, the message empty. */
void paperchk_clear_error(paperchk_error* error);

#endif /* PAPERCHK_INTERNAL_H */
