/* The printer's side from the printer itself, over IPP: asks an IPP printer
 * (ipp://, and ipps:// on Windows) what it has loaded, compares that with
 * what the job asks, and fills a paperchk_request with the settings that
 * differ, or says that they agree. An optional part of the client library:
 * a driver that does not call it does not link it.
 *
 * Plain C99 like the rest of the library: nothing allocated, no global state,
 * every buffer of a fixed size that is a limit checked on every read. On
 * Windows the request goes over WinHTTP (winhttp.dll, loaded from the system
 * folder when first called, so the driver's import list does not change); on
 * POSIX hosts over sockets (ipp:// only). */
#ifndef PAPERCHK_IPP_H
#define PAPERCHK_IPP_H

#include <stddef.h>
#include <stdint.h>

#include "paperchk_client.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The limits: a response, a value or a list longer than these is refused
 * whole (PAPERCHK_IPP_OVER_LIMIT), never cut. */
#define PAPERCHK_IPP_MAX_RESPONSE_SIZE 16384u /* bytes of IPP after the HTTP headers */
#define PAPERCHK_IPP_MAX_HEADER_SIZE 4096u    /* bytes of HTTP status line and headers */
#define PAPERCHK_IPP_MAX_URI_LENGTH 1023u
#define PAPERCHK_IPP_KEYWORD_SIZE 64u         /* a kept keyword or name: 63 bytes and its NUL */
#define PAPERCHK_IPP_MAX_LOADED 8u            /* media-col-ready entries */
#define PAPERCHK_IPP_MAX_LIST 16u             /* values of media-ready, media-source-supported, printer-state-reasons */
#define PAPERCHK_IPP_MAX_DEPTH 4u             /* collections within collections */
#define PAPERCHK_IPP_DEFAULT_TIMEOUT_MS 10000u /* to connect, and again to answer */
#define PAPERCHK_IPP_MESSAGE_SIZE 384u

/* What a read or a comparison came to. AGREE and DIFFERS are answers; every
 * other result leaves the request's items empty (item_count 0), so that the
 * launcher refuses it and nothing is shown from a report the module could
 * not fill. */
enum paperchk_ipp_result {
  PAPERCHK_IPP_AGREE = 0,           /* the printer has what the job asks: launch nothing */
  PAPERCHK_IPP_DIFFERS = 1,         /* the request holds the differing settings: launch paperchk */
  PAPERCHK_IPP_BAD_ARGUMENT = 2,    /* a null pointer, a URI that is no ipp:// URI, an empty asked value */
  PAPERCHK_IPP_UNREACHABLE = 3,     /* no connection, or no answer in time (system_error) */
  PAPERCHK_IPP_NOT_IPP = 4,         /* an answer, but no IPP one: an HTTP status, another content type */
  PAPERCHK_IPP_ERROR_STATUS = 5,    /* an IPP response with an error status (ipp_status) */
  PAPERCHK_IPP_TRUNCATED = 6,       /* the response ends before its end-of-attributes tag */
  PAPERCHK_IPP_MALFORMED = 7,       /* bytes that no IPP response holds */
  PAPERCHK_IPP_OVER_LIMIT = 8,      /* the response or an attribute is larger than the limits above */
  PAPERCHK_IPP_NO_LOADED_MEDIA = 9, /* the printer lists nothing in media-col-ready */
  PAPERCHK_IPP_NO_TLS = 10          /* ipps:// where no TLS is at hand (the POSIX build) */
};

/* One loaded source, from a media-col-ready collection. */
typedef struct paperchk_ipp_media {
  char size_name[PAPERCHK_IPP_KEYWORD_SIZE]; /* media-size-name, or empty */
  int32_t x_dimension;                       /* media-size, 1/100 mm; 0 when not given */
  int32_t y_dimension;
  char source[PAPERCHK_IPP_KEYWORD_SIZE];    /* media-source, or empty */
  char type[PAPERCHK_IPP_KEYWORD_SIZE];      /* media-type, or empty */
} paperchk_ipp_media;

typedef char paperchk_ipp_keyword[PAPERCHK_IPP_KEYWORD_SIZE];

/* What the printer answered. */
typedef struct paperchk_ipp_printer {
  uint32_t ipp_status;   /* the response's status-code */
  char name[PAPERCHK_IPP_KEYWORD_SIZE]; /* printer-name, or empty */
  size_t loaded_count;
  paperchk_ipp_media loaded[PAPERCHK_IPP_MAX_LOADED];
  size_t ready_count;    /* media-ready */
  paperchk_ipp_keyword ready[PAPERCHK_IPP_MAX_LIST];
  size_t source_count;   /* media-source-supported */
  paperchk_ipp_keyword sources[PAPERCHK_IPP_MAX_LIST];
  size_t reason_count;   /* printer-state-reasons */
  paperchk_ipp_keyword reasons[PAPERCHK_IPP_MAX_LIST];
} paperchk_ipp_printer;

/* What the job asks, as IPP keywords: a PWG media name for the size
 * ("iso_a4_210x297mm"), a media-type ("stationery") and a media-source
 * ("tray-1", or "auto": any loaded source with that paper). */
typedef struct paperchk_ipp_asked {
  const char* size;
  const char* type;
  const char* source;
} paperchk_ipp_asked;

typedef struct paperchk_ipp_outcome {
  int result;             /* enum paperchk_ipp_result */
  uint32_t system_error;  /* errno or GetLastError() of a failed connection */
  uint32_t http_status;   /* the HTTP status, when one came */
  uint32_t ipp_status;    /* the IPP status-code, when one came */
  size_t offset;          /* where in the IPP response a TRUNCATED or MALFORMED one went wrong */
  /* Keywords the table below lacks, named ("printer media-type 'x'"); each
   * stands as code 0, "Altro", in the request. Empty when none. */
  char unknown[PAPERCHK_IPP_MESSAGE_SIZE];
  char message[PAPERCHK_IPP_MESSAGE_SIZE]; /* one sentence */
} paperchk_ipp_outcome;

/* Reads the printer at `uri` (ipp://host[:port]/path; 631 when no port is
 * given) with one Get-Printer-Attributes request for media-col-ready,
 * media-ready, media-source-supported, printer-state-reasons and
 * printer-name, and compares (paperchk_ipp_compare). `printer` may be null;
 * `timeout_ms` 0 is PAPERCHK_IPP_DEFAULT_TIMEOUT_MS. The request's
 * printer_name, port, exchange_path and code_page are the driver's and are
 * left as they are. Returns outcome->result. */
int paperchk_ipp_read(const char* uri, const paperchk_ipp_asked* asked, uint32_t timeout_ms,
                      paperchk_request* request, paperchk_ipp_printer* printer, paperchk_ipp_outcome* outcome);

/* The comparison alone: the current source is the asked one when it is
 * loaded (with "auto": a loaded source with the asked size and type), else
 * the first loaded one. The items are the settings that differ, in the order
 * paper path (40001), size (40002), media (40003); when the printer has both
 * an upper and a lower tray loaded, all three, so that paperchk's tray
 * selector can show the other tray's path, size and media in their rows. */
int paperchk_ipp_compare(const paperchk_ipp_asked* asked, const paperchk_ipp_printer* printer,
                         paperchk_request* request, paperchk_ipp_outcome* outcome);

/* The IPP encoding itself, for a driver's own transport or checks: the
 * request's bytes (the size written, 0 when `size` is too small or the URI
 * too long), and the decoding of a response's bytes into `printer`. */
size_t paperchk_ipp_encode_request(const char* uri, uint32_t request_id, uint8_t* buffer, size_t size);
int paperchk_ipp_decode(const uint8_t* data, size_t size, paperchk_ipp_printer* printer,
                        paperchk_ipp_outcome* outcome);

/* The catalogue's number for a keyword; 0 when the table lacks it.
 * `application` selects the application's size numbers (50000 + the DEVMODE
 * size) over the printer's (256 to 12544). */
uint32_t paperchk_ipp_size_code(const char* pwg_name, int32_t x_dimension, int32_t y_dimension, int application);
uint32_t paperchk_ipp_type_code(const char* media_type);
uint32_t paperchk_ipp_source_code(const char* media_source);

/* The re-read after "Riprova", ready for paperchk_launch_options: set
 * options.reread_printer = paperchk_ipp_reread_printer and options.context to
 * one of these. It reads the printer again into `request_after` and
 * `outcome`, and returns non-zero when the printer now agrees. */
typedef struct paperchk_ipp_reread {
  const char* uri;
  paperchk_ipp_asked asked;
  uint32_t timeout_ms;
  paperchk_request request_after; /* what a new report would hold */
  paperchk_ipp_outcome outcome;
  unsigned reads;                 /* how often it ran */
} paperchk_ipp_reread;

int paperchk_ipp_reread_printer(void* context);

#ifdef __cplusplus
}
#endif

#endif /* PAPERCHK_IPP_H */
