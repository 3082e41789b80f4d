/* The driver's side of paperchk: the command-line builder, the exchange file
 * and (on Windows) the launcher. Plain C99: a driver compiles the .c files of
 * this folder with its own C compiler and links with nothing but the system's
 * DLLs. Plain structs, buffers owned by the caller, nothing allocated, no
 * global state. Every text is an 8-bit string in the system's code page, as
 * paperchk reads its command line.
 *
 * Every function fills its `error` (when not null) and its result on every
 * path, a null argument included: the status says whether it worked, the
 * error names the field, the rule and, for a failure of the system, its code. */
#ifndef PAPERCHK_CLIENT_H
#define PAPERCHK_CLIENT_H

#include <stddef.h>
#include <stdint.h>

#include "paperchk_record.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The release this header belongs to: the version in the archive's name. */
#define PAPERCHK_CLIENT_VERSION "1.0.0"

/* The version the library was built as (PAPERCHK_CLIENT_VERSION of its
 * header), for the driver's log: it differs from PAPERCHK_CLIENT_VERSION when
 * the header and the library come from different releases. */
const char* paperchk_client_version(void);

/* paperchk's limits in characters, the terminating NUL not counted. */
#define PAPERCHK_MAX_ITEMS 3
#define PAPERCHK_MAX_CODE 65535u                /* codes are catalogue numbers */
#define PAPERCHK_MAX_TOKEN_LENGTH 511           /* every field after the item-count word */
#define PAPERCHK_MAX_PRINTER_NAME_LENGTH 509    /* one token with the two quotes */
#define PAPERCHK_MAX_PORT_LENGTH 511
#define PAPERCHK_MAX_EXCHANGE_PATH_LENGTH 511   /* one token */
#define PAPERCHK_MAX_PROGRAM_PATH_LENGTH 1023
#define PAPERCHK_MAX_COMMAND_LINE_LENGTH 4095
#define PAPERCHK_COMMAND_LINE_SIZE 4096         /* a buffer this large always suffices */
#define PAPERCHK_ERROR_MESSAGE_SIZE 384

/* Results of the functions below; 0 is success. */
enum paperchk_status {
  PAPERCHK_OK = 0,
  PAPERCHK_REFUSED = 1,      /* the request breaks a rule, or the buffer is too small: see the error */
  PAPERCHK_BAD_ARGUMENT = 2, /* a null pointer where one is needed: error.field names it */
  PAPERCHK_FILE_ERROR = 3,   /* the exchange file cannot be used: see error.system_error */
  PAPERCHK_NO_DECISION = 4,  /* (launcher) paperchk did not start, ended or was ended without one */
  PAPERCHK_NOT_ENDED = 5     /* (launcher) a decision came, but paperchk had to be ended */
};

/* Which field or argument broke which rule. */
enum paperchk_field {
  PAPERCHK_FIELD_NONE, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_FIELD_PRINTER_NAME, PAPERCHK_FIELD_PORT,
  PAPERCHK_FIELD_ITEMS, PAPERCHK_FIELD_SETTING_NAME, PAPERCHK_FIELD_APPLICATION_VALUE,
  PAPERCHK_FIELD_PRINTER_VALUE, PAPERCHK_FIELD_PAPER_SOURCE, PAPERCHK_FIELD_OTHER_TRAY_SIZE,
  PAPERCHK_FIELD_OTHER_TRAY_MEDIA, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_FIELD_COMMAND_LINE,
  /* the arguments of the functions themselves */
  PAPERCHK_FIELD_REQUEST, PAPERCHK_FIELD_BUFFER, PAPERCHK_FIELD_DECISION, PAPERCHK_FIELD_RESULT,
  PAPERCHK_FIELD_FILES,
  /* where the launcher runs (error.limit holds the session, or the enum paperchk_execution_context) */
  PAPERCHK_FIELD_SESSION, PAPERCHK_FIELD_EXECUTION_CONTEXT,
  /* the time fields of paperchk_launch_options */
  PAPERCHK_FIELD_DECISION_TIMEOUT, PAPERCHK_FIELD_END_TIMEOUT, PAPERCHK_FIELD_POLL_INTERVAL,
  PAPERCHK_FIELD_PLATFORM,
  PAPERCHK_FIELD_PROCESS /* paperchk's process (error.limit holds its exit status) */
};

enum paperchk_rule {
  PAPERCHK_RULE_NONE, PAPERCHK_RULE_EMPTY, PAPERCHK_RULE_TOO_LONG, PAPERCHK_RULE_NUL, PAPERCHK_RULE_BACKSLASH,
  PAPERCHK_RULE_PRINTER_CONNECTION, PAPERCHK_RULE_SPACE, PAPERCHK_RULE_NOT_NETWORK_PATH,
  PAPERCHK_RULE_MISREAD_AS_NETWORK_PATH, PAPERCHK_RULE_COMMA_IN_NETWORK_PATH, PAPERCHK_RULE_ITEM_COUNT,
  PAPERCHK_RULE_CODE_OUT_OF_RANGE, PAPERCHK_RULE_BUFFER_TOO_SMALL,
  PAPERCHK_RULE_NULL,             /* a null pointer */
  PAPERCHK_RULE_SYSTEM_FAILURE,   /* the system refused: system_error holds its code */
  PAPERCHK_RULE_UNEXPECTED_VALUE, /* the exchange file holds a decision paperchk never writes */
  PAPERCHK_RULE_NO_USER,          /* a session or context where no window reaches the user */
  PAPERCHK_RULE_OUT_OF_RANGE,     /* a time field outside its range (below) */
  PAPERCHK_RULE_IN_USE,           /* the exchange path is held by another running launch */
  PAPERCHK_RULE_NOT_A_DISK_FILE,  /* the exchange path names a device, a pipe or a console */
  PAPERCHK_RULE_BROKEN_CHARACTER, /* bytes that are no character of the code page (a double-byte one cut short) */
  PAPERCHK_RULE_NOT_IN_CODE_PAGE, /* a Unicode character the code page cannot hold */
  PAPERCHK_RULE_TIMED_OUT,        /* the time field in error.limit ran out */
  PAPERCHK_RULE_ENDED_WITHOUT_DECISION, /* paperchk ended, exit status in error.limit, and wrote none */
  PAPERCHK_RULE_NOT_REMOVED       /* the exchange file could not be removed at the end */
};

/* The ranges of the time fields of paperchk_launch_options, in milliseconds;
 * 0 is always allowed and means the field's default. A value outside is
 * refused, so that garbage in the options cannot hang a launch. */
#define PAPERCHK_MIN_DECISION_TIMEOUT_MS 1000u
#define PAPERCHK_MAX_DECISION_TIMEOUT_MS 86400000u /* a day; 0 waits for ever */
#define PAPERCHK_MIN_END_TIMEOUT_MS 1000u
#define PAPERCHK_MAX_END_TIMEOUT_MS 600000u
#define PAPERCHK_MIN_POLL_INTERVAL_MS 10u
#define PAPERCHK_MAX_POLL_INTERVAL_MS 1000u

typedef struct paperchk_error {
  int field;             /* enum paperchk_field */
  int rule;              /* enum paperchk_rule */
  size_t limit;          /* the limit broken: characters, items, largest code, bytes needed */
  size_t item;           /* 1 to 3 for the fields of an item, else 0 */
  uint32_t system_error; /* GetLastError() or errno of a failure of the system, else 0 */
  char message[PAPERCHK_ERROR_MESSAGE_SIZE]; /* one sentence naming all of it; empty on success */
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
  const char* exchange_path;  /* no spaces (see paperchk_make_exchange_path) */
  /* The code page the texts are in and paperchk reads them in: 0 is the
   * system's (CP_ACP), the only right one for a real run; tests name one. */
  unsigned code_page;
} paperchk_request;

/* Writes "program_path 3_Item ..." and its NUL into `buffer`. On refusal the
 * buffer (if any) holds the empty text and `error` says why. A buffer that is
 * too small, or none (NULL, 0), is refused with PAPERCHK_RULE_BUFFER_TOO_SMALL
 * and the size needed in error->limit; PAPERCHK_COMMAND_LINE_SIZE bytes
 * always suffice. */
int paperchk_build_command_line(const char* program_path, const paperchk_request* request, char* buffer,
                                size_t buffer_size, paperchk_error* error);

/* Fills error->message from its codes (a driver that builds its own error,
 * or the C++ layer, uses it). */
void paperchk_describe_error(paperchk_error* error);

/* The file access under the exchange functions: the system's (CreateFileA
 * and the like, sharing reading and writing as paperchk does; open() and the
 * like on POSIX hosts), or a driver's or a test's own. */
enum paperchk_io_status { PAPERCHK_IO_DONE, PAPERCHK_IO_MISSING, PAPERCHK_IO_FAILED, PAPERCHK_IO_NOT_A_FILE };
typedef struct paperchk_files {
  void* context;
  /* A handle, or NULL with *status MISSING (no file or folder), NOT_A_FILE
   * (it opens as a device or a pipe: nothing paperchk could share it through)
   * or FAILED. create_empty: create the file or cut it to nothing; else open
   * an existing one. */
  void* (*open)(void* context, const char* path, int create_empty, int* status, uint32_t* system_error);
  /* Non-zero when done; a short file gives fewer bytes. */
  int (*read_at)(void* context, void* file, uint64_t offset, uint8_t* buffer, size_t size, size_t* got,
                 uint32_t* system_error);
  int (*write_at)(void* context, void* file, uint64_t offset, const uint8_t* data, size_t size,
                  size_t* written, uint32_t* system_error);
  void (*close)(void* context, void* file);
  int (*remove)(void* context, const char* path, uint32_t* system_error); /* enum paperchk_io_status */
} paperchk_files;

const paperchk_files* paperchk_system_files(void);

/* The exchange functions below on other files. */
int paperchk_files_prepare(const paperchk_files* files, const char* path, int create_empty, paperchk_error* error);
int paperchk_files_read_decision(const paperchk_files* files, const char* path, uint32_t* decision,
                                 paperchk_error* error);
int paperchk_files_write_flag(const paperchk_files* files, const char* path, uint32_t flag, paperchk_error* error);

/* Before starting paperchk: 1 creates the file holding {0, 0}; 0 removes an
 * old one (none there is fine) and leaves the creation to paperchk. A path
 * that names a device, a pipe or a console is refused by its text
 * (PAPERCHK_RULE_NOT_A_DISK_FILE), as by the two functions below. */
int paperchk_prepare_exchange_file(const char* path, int create_empty, paperchk_error* error);

/* The decision in the file: *decision is 0 while none is written (no file,
 * a short file, decision 0), else 1 retry, 2 ignore, 3 cancel printing.
 * PAPERCHK_FILE_ERROR when the file cannot be read or holds another value
 * (then *decision is that value and the rule PAPERCHK_RULE_UNEXPECTED_VALUE). */
int paperchk_read_decision(const char* path, uint32_t* decision, paperchk_error* error);

/* After a retry, once the printer has been read again: writes 1 into the
 * completion flag (4 bytes at offset 4, nothing else touched; a missing file
 * is not created). */
int paperchk_write_completion_flag(const char* path, paperchk_error* error);

/* Where a driver's code runs, as the platform tells it (print execution
 * context, Windows 7 and later); 0 when it cannot tell. */
enum paperchk_execution_context {
  PAPERCHK_CONTEXT_UNKNOWN = 0,            /* no GetPrintExecutionData, or it failed */
  PAPERCHK_CONTEXT_APPLICATION = 1,        /* the application's own process */
  PAPERCHK_CONTEXT_SPOOLER_SERVICE = 2,    /* the spooler service: session 0 */
  PAPERCHK_CONTEXT_SPOOLER_ISOLATION_HOST = 3,
  PAPERCHK_CONTEXT_FILTER_PIPELINE = 4,
  PAPERCHK_CONTEXT_WOW64 = 5               /* the bridge for applications of the other width */
};

/* The platform calls behind the launcher's check of where it runs: the
 * system's (paperchk_system_platform) or a test's. */
typedef struct paperchk_platform {
  void* context;
  /* Non-zero with the calling process's session in *session; else 0 with the
   * system's code in *system_error. */
  int (*session)(void* context, uint32_t* session, uint32_t* system_error);
  /* enum paperchk_execution_context. */
  int (*execution_context)(void* context);
} paperchk_platform;

/* What the check found. */
typedef struct paperchk_place {
  int session_known;
  uint32_t session;          /* with session_known */
  int execution_context;     /* enum paperchk_execution_context */
} paperchk_place;

/* Finds out where the caller runs and whether a window shown from there
 * reaches the user: PAPERCHK_OK, or PAPERCHK_NO_DECISION for session 0 and
 * for the spooler service, its isolation host and the filter pipeline (the
 * error names the session or the context). The application's and the
 * bridge's context, and a session or context that cannot be told, pass. */
int paperchk_check_user_session(const paperchk_platform* platform, paperchk_place* place, paperchk_error* error);

#ifdef _WIN32

/* ProcessIdToSessionId, and GetPrintExecutionData of winspool.drv where it
 * exists (looked up when called, so the library runs without it). */
const paperchk_platform* paperchk_system_platform(void);

/* For the spooler's Unicode names: writes `text` in the code page paperchk
 * reads (0: the system's) into `buffer`, for a request's printer name or port
 * (`field` names which, for the error). A character the code page cannot
 * hold is refused with PAPERCHK_RULE_NOT_IN_CODE_PAGE, never replaced by '?'
 * or a look-alike; a buffer that is too small is refused like a command line. */
int paperchk_text_from_unicode(const wchar_t* text, unsigned code_page, int field, char* buffer,
                               size_t buffer_size, paperchk_error* error);

/* What the launcher saw. 0 is "nothing happened", so a zeroed result never
 * reads as a decision. */
enum paperchk_ending {
  PAPERCHK_NOT_LAUNCHED = 0,     /* a bad argument: nothing was tried; see `error` */
  PAPERCHK_DECIDED = 1,          /* `decision` came (1, 2 or 3) */
  PAPERCHK_REQUEST_REFUSED = 2,  /* refused before start-up; paperchk never ran; see `error` */
  PAPERCHK_START_FAILED = 3,     /* CreateProcess failed; see error.system_error */
  PAPERCHK_FILE_FAILED = 4,      /* the exchange file could not be created, opened or read; error.system_error */
  PAPERCHK_PROCESS_GONE = 5,     /* paperchk ended without a decision (its start-up error, say) */
  PAPERCHK_TIMED_OUT = 6,        /* no decision within decision_timeout_ms; paperchk was ended */
  PAPERCHK_NO_USER_SESSION = 7,  /* runs where nobody would see the dialog (session 0, the spooler's
                                    side); nothing started or created; see `place` and `error` */
  PAPERCHK_EXCHANGE_PATH_IN_USE = 8 /* another launch of this session runs on the same exchange file;
                                       nothing started or created */
};

/* Called after "Riprova": read the printer again. Return non-zero on success
 * (the result is reported in reread_succeeded; the flag is written either way). */
typedef int (*paperchk_reread_printer)(void* context);
/* Called once paperchk runs, before the wait for the decision (a driver may log it). */
typedef void (*paperchk_started)(void* context, uint32_t process_id);

typedef struct paperchk_launch_options {
  paperchk_reread_printer reread_printer; /* may be null */
  void* context;                          /* passed to reread_printer and started */
  paperchk_started started;               /* may be null */
  int create_exchange_file;               /* 1: create {0, 0} first; 0: cut an old file to nothing */
  int keep_exchange_file;                 /* 0: the launcher removes the file at the end */
  /* The time fields: 0 or within PAPERCHK_MIN_..._MS to PAPERCHK_MAX_..._MS. */
  uint32_t decision_timeout_ms;           /* 0: wait for the user as long as it takes */
  uint32_t end_timeout_ms;                /* how long paperchk may take to end (0: 10000) */
  uint32_t poll_interval_ms;              /* 0: 50 */
  const paperchk_files* files;            /* null: the system's files */
  /* 0: refuse to launch where nobody would see the dialog (PAPERCHK_NO_USER_SESSION);
   * non-zero: launch wherever called (a driver's own tests, say). */
  int skip_user_session_check;
  const paperchk_platform* platform;      /* null: the system's */
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
  int ends_with_driver;      /* paperchk ran in a job that ends it if the driver's process ends */
  int exchange_file_removed; /* the launcher removed the exchange file at the end */
  paperchk_place place;      /* where the launcher found itself running (for the driver's log) */
  paperchk_error error;      /* why, for every ending but PAPERCHK_DECIDED (and a flag not written,
                                or the file not removed) */
} paperchk_launch_result;

/* Starts paperchk (its short path when the path holds a space) and plays the
 * driver's part until it ends:
 *  - refuses a request paperchk would misread and options outside their
 *    ranges; refuses to run where nobody would see the dialog
 *    (paperchk_check_user_session, unless skip_user_session_check), an
 *    exchange path that names a device, a pipe or a console (from its text,
 *    nothing opened), and an exchange file another launch holds (from any
 *    thread or process, by any name of the file: a byte-range lock on the
 *    file itself, held until the launch returns); checks that the exchange
 *    file can be created where paperchk will look for it; all before
 *    anything is started;
 *  - starts paperchk in a job object that ends it when the driver's process
 *    ends (Windows 8 and later, or a driver in no job; otherwise paperchk
 *    runs without, and ends_with_driver says 0);
 *  - waits for the decision or paperchk's end, handling the messages sent to
 *    the calling thread's windows meanwhile (posted ones stay queued);
 *  - after a retry calls reread_printer, writes the completion flag and
 *    waits for the end (end_timeout_ms); whatever still runs is ended;
 *  - removes the exchange file unless keep_exchange_file (also when it was
 *    made read-only meanwhile; a failure in error, rule NOT_REMOVED, when
 *    the ending has no error of its own).
 * Leaves no process and no handle behind. Returns PAPERCHK_OK when a decision
 * came and paperchk ended by itself; PAPERCHK_BAD_ARGUMENT, PAPERCHK_REFUSED
 * (the request, an option or a path in use), PAPERCHK_FILE_ERROR (the file
 * could not be prepared or read, or the completion flag not written),
 * PAPERCHK_NO_DECISION or PAPERCHK_NOT_ENDED otherwise; `result` says more.
 * `options` may be null. */
int paperchk_launch(const char* program_path, const paperchk_request* request,
                    const paperchk_launch_options* options, paperchk_launch_result* result);

/* Writes a new exchange path into `buffer`: a unique file name in the user's
 * temporary folder (GetTempPath, in its short form when it holds a space),
 * created empty so no other run takes the name. The launcher removes it at
 * the end unless told to keep it. MAX_PATH (260) bytes suffice. */
int paperchk_make_exchange_path(char* buffer, size_t buffer_size, paperchk_error* error);

/* For tools: the path's short form when it holds a space (paperchk takes the
 * first space for the end of its own path), else the path itself; refused
 * like a command line when the buffer is too small. */
int paperchk_short_program_path(const char* path, char* buffer, size_t buffer_size, paperchk_error* error);

/* For tools that try out what paperchk does with a line the builder would
 * refuse: the launcher's run for a command line nothing here checks.
 * `program_path` is the module started; `exchange_path` the file in the line. */
int paperchk_launch_command_line(const char* program_path, const char* command_line, const char* exchange_path,
                                 const paperchk_launch_options* options, paperchk_launch_result* result);

#endif /* _WIN32 */

#ifdef __cplusplus
}
#endif

#endif /* PAPERCHK_CLIENT_H */
