/* Between the IPP module's files: the URI's parts and the transport under
 * paperchk_ipp_read (sockets on POSIX hosts, WinHTTP on Windows). */
#ifndef PAPERCHK_IPP_INTERNAL_H
#define PAPERCHK_IPP_INTERNAL_H

#include "paperchk_ipp.h"

typedef struct paperchk_ipp_uri {
  char host[256];   /* a name or an address; an IPv6 one without its brackets */
  unsigned port;    /* 631 when the URI names none */
  char path[PAPERCHK_IPP_MAX_URI_LENGTH + 1];
  int secure;       /* ipps:// */
} paperchk_ipp_uri;

/* What one exchange may hold: the HTTP headers, the IPP response and a
 * chunked answer's framing. */
#define PAPERCHK_IPP_EXCHANGE_SIZE (PAPERCHK_IPP_MAX_HEADER_SIZE + PAPERCHK_IPP_MAX_RESPONSE_SIZE + 4096u)

/* Posts `body` as application/ipp and leaves the response's IPP bytes at
 * exchange[*body_offset], *body_size of them. PAPERCHK_IPP_AGREE (0) when an
 * HTTP 200 answer of type application/ipp came; otherwise the outcome's
 * result and message say why. */
int paperchk_ipp_post(const paperchk_ipp_uri* uri, const uint8_t* body, size_t body_size, uint32_t timeout_ms,
                      uint8_t* exchange, size_t* body_offset, size_t* body_size_out, paperchk_ipp_outcome* outcome);

/* The socket transport's reading of an HTTP answer: -1 while more bytes are
 * needed (and `closed` is 0), else as paperchk_ipp_post. A chunked body is
 * joined in place. */
int paperchk_ipp_http_answer(uint8_t* data, size_t size, int closed, size_t* body_offset, size_t* body_size,
                             paperchk_ipp_outcome* outcome);

/* Empties what the comparison fills in a request, so that a failed read
 * leaves no report. */
void paperchk_ipp_clear_report(paperchk_request* request);

/* Fills the outcome's result and a message made like printf's. */
int paperchk_ipp_fail(paperchk_ipp_outcome* outcome, int result, const char* format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

#endif /* PAPERCHK_IPP_INTERNAL_H */
