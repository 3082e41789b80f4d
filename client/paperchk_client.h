/* The driver's side of paperchk for drivers written in C: the command-line
 * builder, the exchange file and (on Windows) the launcher. Plain structs,
 * buffers owned by the caller, no allocation the caller has to free; no C++
 * exception crosses these functions. Every text is an 8-bit string in the
 * system's code page, as paperchk reads its command line. */
#ifndef PAPERCHK_CLIENT_H
#define PAPERCHK_CLIENT_H

#include <stddef.h>
#include <stdint.h>

/* PAPERCHK_VERSION ("MAJOR.MINOR.PATCH") and its parts: the release this
 * header comes from. */
#include "paperchk_version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The version the library was built as (PAPERCHK_VERSION of its header), for
 * the driver's log: it differs from PAPERCHK_VERSION when the header and the
 * library come from different releases. */
const char* paperchk_client_version(void);

#define PAPERCHK_MAX_ITEMS 3
#define PAPERCHK_ERROR_MESSAGE_SIZE 384

/* Results of the functions below; 0 is success. */
enum paperchk_status {
  PAPERCHK_OK = 0,
  PAPERCHK_REFUSED = 1,      /* the request breaks a rule: see the error */
  PAPERCHK_BAD_ARGUMENT = 2, /* a null pointer where one is needed */
  PAPERCHK_FILE_ERROR = 3,   /* the exchange file cannot be used */
  PAPERCHK_INTERNAL = 4,     /* out of memory or another unexpected failure */
  PAPERCHK_NO_DECISION = 5,  /* (launcher) paperchk did not start, ended or was ended without one */
  PAPERCHK_NOT_ENDED = 6     /* (launcher) a decision came, but paperchk had to be ended */
};

/* Which field broke which rule (the values of paperchk_client::Field and
 * ::Rule in client/command_line.h, in that order). */
enum paperchk_field {
  PAPERCHK_FIELD_NONE, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_FIELD_PRINTER_NAME, PAPERCHK_FIELD_PORT,
  PAPERCHK_FIELD_ITEMS, PAPERCHK_FIELD_SETTING_NAME, PAPERCHK_FIELD_APPLICATION_VALUE,
  PAPERCHK_FIELD_PRINTER_VALUE, PAPERCHK_FIELD_PAPER_SOURCE, PAPERCHK_FIELD_OTHER_TRAY_SIZE,
  PAPERCHK_FIELD_OTHER_TRAY_MEDIA, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_FIELD_COMMAND_LINE
};

enum paperchk_rule {
  PAPERCHK_RULE_NONE, PAPERCHK_RULE_EMPTY, PAPERCHK_RULE_TOO_LONG, PAPERCHK_RULE_NUL, PAPERCHK_RULE_BACKSLASH,
  PAPERCHK_RULE_PRINTER_CONNECTION, PAPERCHK_RULE_SPACE, PAPERCHK_RULE_NOT_NETWORK_PATH,
  PAPERCHK_RULE_MISREAD_AS_NETWORK_PATH, PAPERCHK_RULE_COMMA_IN_NETWORK_PATH, PAPERCHK_RULE_ITEM_COUNT,
  PAPERCHK_RULE_CODE_OUT_OF_RANGE, PAPERCHK_RULE_BUFFER_TOO_SMALL
};

typedef struct paperchk_error {
  int field;      /* enum paperchk_field */
  int rule;       /* enum paperchk_rule */
  size_t limit;   /* the limit broken: characters, items, largest code, bytes needed */
  size_t item;    /* 1 to 3 for the fields of an item, else 0 */
  char message[PAPERCHK_ERROR_MESSAGE_SIZE]; /* one sentence naming all of it */
} paperchk_error;

/* One mismatching setting: three catalogue numbers (0 to 65535). */
typedef struct paperchk_item {
  uint32_t setting_name;      /* column 1, e.g. 40002 "Formato carta" */
  uint32_t application_value; /* column 2 */
  uint32_t printer_value;     /* column 3 */
} paperchk_item;

typedef struct paperchk_request {
  const char* printer_name; /* shown in the title; the library adds the quotes */
  const char* port;         /* as the driver knows it, e.g. "LPT1:" or "\\\\server\\queue" */
  size_t item_count;        /* 1 to 3 */
  paperchk_item items[PAPERCHK_MAX_ITEMS];
  uint32_t paper_source;      /* the printer's current paper source */
  int second_tray_shown;      /* non-zero: the tray selector may offer the other tray */
  uint32_t other_tray_size;
  uint32_t other_tray_media;
  const char* exchange_path;  /* no spaces */
} paperchk_request;

/* Writes "program_path 3_Item ..." and its NUL into `buffer`. On refusal the
 * buffer holds the empty text and `error` (may be null) says why; a buffer
 * that is too small is refused with PAPERCHK_RULE_BUFFER_TOO_SMALL and the
 * size needed in error->limit. 4096 bytes always suffice. */
int paperchk_build_command_line(const char* program_path, const paperchk_request* request, char* buffer,
                                size_t buffer_size, paperchk_error* error);

/* Before starting paperchk: 1 creates the file holding {0, 0}; 0 removes an
 * old one (none there is fine) and leaves the creation to paperchk. */
int paperchk_prepare_exchange_file(const char* path, int create_empty);

/* The decision in the file: *decision is 0 while none is written (no file,
 * a short file, decision 0), else 1 retry, 2 ignore, 3 cancel printing.
 * PAPERCHK_FILE_ERROR when the file cannot be read or holds another value
 * (then *decision is that value). */
int paperchk_read_decision(const char* path, uint32_t* decision);

/* After a retry, once the printer has been read again: writes 1 into the
 * completion flag (4 bytes at offset 4, nothing else touched). */
int paperchk_write_completion_flag(const char* path);

#ifdef _WIN32

/* What the launcher saw. */
enum paperchk_ending {
  PAPERCHK_DECIDED = 0,          /* `decision` came (1, 2 or 3) */
  PAPERCHK_REQUEST_REFUSED = 1,  /* refused before start-up; paperchk never ran; see `error` */
  PAPERCHK_START_FAILED = 2,     /* CreateProcess failed; see `system_error` */
  PAPERCHK_FILE_FAILED = 3,      /* the exchange file could not be prepared or read */
  PAPERCHK_PROCESS_GONE = 4,     /* paperchk ended without a decision (its start-up error, say) */
  PAPERCHK_TIMED_OUT = 5         /* no decision within decision_timeout_ms; paperchk was ended */
};

/* Called after "Riprova": read the printer again. Return non-zero on success
 * (the result is reported in reread_succeeded; the flag is written either way). */
typedef int (*paperchk_reread_printer)(void* context);

typedef struct paperchk_launch_options {
  paperchk_reread_printer reread_printer; /* may be null */
  void* context;                          /* passed to reread_printer */
  int create_exchange_file;               /* 1: create {0, 0} first; 0: remove an old file */
  uint32_t decision_timeout_ms;           /* 0: wait for the user as long as it takes */
  uint32_t end_timeout_ms;                /* how long paperchk may take to end (0: 10000) */
  uint32_t poll_interval_ms;              /* 0: 50 */
} paperchk_launch_options;

typedef struct paperchk_launch_result {
  int ending;                /* enum paperchk_ending */
  uint32_t decision;         /* 1, 2, 3 with PAPERCHK_DECIDED, else 0 */
  int reread_called;         /* the callback ran (after a retry) */
  int reread_succeeded;
  int completion_flag_written;
  int exit_status_known;     /* paperchk ended and its exit status was read */
  uint32_t exit_status;
  int terminated;            /* paperchk had to be ended by the launcher */
  uint32_t system_error;     /* GetLastError() of a failed start */
  paperchk_error error;      /* with PAPERCHK_REQUEST_REFUSED */
} paperchk_launch_result;

/* Starts paperchk (its short path when the path holds a space), waits for
 * the decision or its end, after a retry calls reread_printer, writes the
 * completion flag and waits for the end. Leaves no process and no handle
 * behind. Returns PAPERCHK_OK when a decision came and paperchk ended by
 * itself; PAPERCHK_REFUSED, PAPERCHK_FILE_ERROR (the file could not be
 * prepared or read, or the completion flag not written), PAPERCHK_NO_DECISION
 * or PAPERCHK_NOT_ENDED otherwise; `result` says more. `options` may be null. */
int paperchk_launch(const char* program_path, const paperchk_request* request,
                    const paperchk_launch_options* options, paperchk_launch_result* result);

#endif /* _WIN32 */

#ifdef __cplusplus
}
#endif

#endif /* PAPERCHK_CLIENT_H */
