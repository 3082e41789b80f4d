/* Reading the printer: the URI, one Get-Printer-Attributes exchange over the
 * platform's transport, the decoding and the comparison; the HTTP answer as
 * the socket transport reads it; and the re-read after "Riprova". */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "paperchk_ipp.h"
#include "ipp_internal.h"

int paperchk_ipp_fail(paperchk_ipp_outcome* outcome, int result, const char* format, ...) {
  va_list arguments;
  outcome->result = result;
  va_start(arguments, format);
  /* NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): va_start above initialises it */
  (void)vsnprintf(outcome->message, sizeof outcome->message, format, arguments);
  va_end(arguments);
  return result;
}

/* ipp://host[:port][/path] or ipps://...; host a name, an IPv4 address or
 * an IPv6 one in brackets. Only printable ASCII. */
static int parse_uri(const char* uri, paperchk_ipp_uri* parsed, paperchk_ipp_outcome* outcome) {
  const char* at;
  const char* host_end;
  size_t host_length;
  size_t i;
  memset(parsed, 0, sizeof *parsed);
  if (strlen(uri) > PAPERCHK_IPP_MAX_URI_LENGTH) {
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "the printer's URI is longer than %u characters",
                             PAPERCHK_IPP_MAX_URI_LENGTH);
  }
  for (i = 0; uri[i] != '\0'; ++i) {
    if ((unsigned char)uri[i] <= ' ' || (unsigned char)uri[i] >= 0x7F) {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT,
                               "the printer's URI holds a space or a character that is not printable ASCII");
    }
  }
  if (strncmp(uri, "ipp://", 6) == 0) {
    at = uri + 6;
  } else if (strncmp(uri, "ipps://", 7) == 0) {
    at = uri + 7;
    parsed->secure = 1;
  } else {
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "'%s' is no ipp:// or ipps:// URI", uri);
  }
  if (*at == '[') {
    host_end = strchr(at, ']');
    if (!host_end) return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "'%s' lacks its closing ']'", uri);
    ++at;
  } else {
    host_end = at + strcspn(at, ":/");
  }
  host_length = (size_t)(host_end - at);
  if (host_length == 0 || host_length >= sizeof parsed->host) {
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "'%s' names no host, or one over %u characters",
                             uri, (unsigned)sizeof parsed->host - 1u);
  }
  memcpy(parsed->host, at, host_length);
  at = host_end + (*host_end == ']');
  parsed->port = 631;
  if (*at == ':') {
    unsigned long port = 0;
    ++at;
    if (*at < '0' || *at > '9') return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "'%s' has no port after ':'", uri);
    while (*at >= '0' && *at <= '9' && port <= 65535) port = port * 10 + (unsigned long)(*at++ - '0');
    if (port == 0 || port > 65535) return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "'%s' names no port from 1 to 65535", uri);
    parsed->port = (unsigned)port;
  }
  if (*at != '\0' && *at != '/') return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "'%s' is no URI: '%c' after the host", uri, *at);
  /* The path as it is ("/" when none); it fits: it is a part of the URI. */
  (void)snprintf(parsed->path, sizeof parsed->path, "%s", *at ? at : "/");
  return PAPERCHK_IPP_AGREE;
}

/* ---- the HTTP answer, as the socket transport reads it ---------------- */

static int starts_with_word(const uint8_t* line, size_t length, const char* word) {
  size_t i;
  const size_t word_length = strlen(word);
  if (length < word_length) return 0;
  for (i = 0; i < word_length; ++i) {
    unsigned c = line[i];
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (c != (unsigned char)word[i]) return 0;
  }
  return 1;
}

/* The header's value after its name and the spaces. */
static const uint8_t* value_of(const uint8_t* line, size_t length, const char* name, size_t* value_length) {
  size_t at = strlen(name);
  if (!starts_with_word(line, length, name)) return NULL;
  while (at < length && (line[at] == ' ' || line[at] == '\t')) ++at;
  *value_length = length - at;
  return line + at;
}

static size_t header_end_of(const uint8_t* data, size_t size) {
  size_t i;
  for (i = 0; i + 3 < size; ++i) {
    if (data[i] == '\r' && data[i + 1] == '\n' && data[i + 2] == '\r' && data[i + 3] == '\n') return i + 4;
  }
  return 0;
}

/* Joins a chunked body in place: -1 while incomplete, else the outcome's result. */
static int join_chunks(uint8_t* data, size_t start, size_t size, int closed, size_t* body_size,
                       paperchk_ipp_outcome* outcome) {
  size_t in = start;
  size_t out = start;
  for (;;) {
    size_t chunk = 0;
    size_t digits = 0;
    while (in < size && digits < 8) {
      const unsigned c = data[in];
      const unsigned digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 16;
      if (digit == 16) break;
      chunk = chunk * 16 + digit;
      ++in;
      ++digits;
    }
    while (in < size && data[in] != '\n') ++in; /* chunk extensions and the CR */
    if (in >= size) break;
    ++in;
    if (digits == 0) return paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, "the printer's chunked answer has a broken chunk size");
    if (chunk == 0) {
      *body_size = out - start;
      return PAPERCHK_IPP_AGREE;
    }
    if (out - start + chunk > PAPERCHK_IPP_MAX_RESPONSE_SIZE) {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's response is over %u bytes",
                               PAPERCHK_IPP_MAX_RESPONSE_SIZE);
    }
    if (size - in < chunk + 2) break;
    memmove(data + out, data + in, chunk);
    out += chunk;
    in += chunk + 2;
  }
  if (!closed) return -1;
  *body_size = out - start; /* cut short: the decoder says where */
  return PAPERCHK_IPP_AGREE;
}

int paperchk_ipp_http_answer(uint8_t* data, size_t size, int closed, size_t* body_offset, size_t* body_size,
                             paperchk_ipp_outcome* outcome) {
  size_t start = 0;
  for (;;) {
    const size_t end = header_end_of(data + start, size - start);
    size_t at;
    unsigned status;
    int chunked = 0;
    int have_length = 0;
    int is_ipp = 0;
    unsigned long length = 0;
    if (end == 0) {
      if (size - start > PAPERCHK_IPP_MAX_HEADER_SIZE) {
        return paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's HTTP headers are over %u bytes",
                                 PAPERCHK_IPP_MAX_HEADER_SIZE);
      }
      if (!closed) return -1;
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, size == 0 ? "the server closed the connection without an answer"
                                                                        : "the server's answer is no HTTP answer");
    }
    if (end > PAPERCHK_IPP_MAX_HEADER_SIZE) {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's HTTP headers are over %u bytes",
                               PAPERCHK_IPP_MAX_HEADER_SIZE);
    }
    if (end < 14 || !starts_with_word(data + start, end, "http/1.") || data[start + 8] != ' ' ||
        data[start + 9] < '1' || data[start + 9] > '5' || data[start + 10] < '0' || data[start + 10] > '9' ||
        data[start + 11] < '0' || data[start + 11] > '9') {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, "the server's answer is no HTTP answer");
    }
    status = (unsigned)(data[start + 9] - '0') * 100u + (unsigned)(data[start + 10] - '0') * 10u + (unsigned)(data[start + 11] - '0');
    outcome->http_status = status;
    if (status == 100) { /* an interim answer: the real one follows */
      start += end;
      continue;
    }
    if (status != 200) {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, "the server answered with HTTP status %u, not with IPP",
                               status);
    }
    for (at = start; at < start + end;) {
      const uint8_t* line = data + at;
      size_t line_length = 0;
      size_t value_length = 0;
      const uint8_t* value;
      while (at + line_length < start + end && line[line_length] != '\r') ++line_length;
      if ((value = value_of(line, line_length, "content-type:", &value_length)) != NULL) {
        is_ipp = starts_with_word(value, value_length, "application/ipp");
      } else if ((value = value_of(line, line_length, "content-length:", &value_length)) != NULL) {
        size_t i;
        have_length = value_length > 0;
        for (i = 0; i < value_length && length <= PAPERCHK_IPP_MAX_RESPONSE_SIZE; ++i) {
          if (value[i] < '0' || value[i] > '9') break;
          length = length * 10 + (unsigned long)(value[i] - '0');
        }
      } else if ((value = value_of(line, line_length, "transfer-encoding:", &value_length)) != NULL) {
        chunked = starts_with_word(value, value_length, "chunked");
      }
      at += line_length + 2;
    }
    if (!is_ipp) return paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, "the server's answer is not of type application/ipp");
    *body_offset = start + end;
    if (chunked) return join_chunks(data, start + end, size, closed, body_size, outcome);
    if (have_length && length > PAPERCHK_IPP_MAX_RESPONSE_SIZE) {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's response is over %u bytes",
                               PAPERCHK_IPP_MAX_RESPONSE_SIZE);
    }
    *body_size = size - (start + end);
    if (*body_size > PAPERCHK_IPP_MAX_RESPONSE_SIZE) {
      return paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's response is over %u bytes",
                               PAPERCHK_IPP_MAX_RESPONSE_SIZE);
    }
    if (have_length) {
      if (*body_size >= length) {
        *body_size = length;
        return PAPERCHK_IPP_AGREE;
      }
      return closed ? PAPERCHK_IPP_AGREE : -1; /* cut short: the decoder says where */
    }
    return closed ? PAPERCHK_IPP_AGREE : -1;
  }
}

/* ---- the read --------------------------------------------------------- */

int paperchk_ipp_read(const char* uri, const paperchk_ipp_asked* asked, uint32_t timeout_ms,
                      paperchk_request* request, paperchk_ipp_printer* printer, paperchk_ipp_outcome* outcome) {
  paperchk_ipp_printer own_printer;
  paperchk_ipp_uri parsed;
  uint8_t body[PAPERCHK_IPP_MAX_URI_LENGTH + 256];
  uint8_t exchange[PAPERCHK_IPP_EXCHANGE_SIZE];
  size_t body_size;
  size_t response_offset = 0;
  size_t response_size = 0;
  int result;
  if (!outcome) return PAPERCHK_IPP_BAD_ARGUMENT;
  memset(outcome, 0, sizeof *outcome);
  if (!printer) printer = &own_printer;
  memset(printer, 0, sizeof *printer);
  if (request) paperchk_ipp_clear_report(request); /* whatever fails below, no report is left */
  if (!uri || !asked || !request) return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "a null pointer was passed");
  if (parse_uri(uri, &parsed, outcome) != PAPERCHK_IPP_AGREE) return outcome->result;
  body_size = paperchk_ipp_encode_request(uri, 1, body, sizeof body);
  if (body_size == 0) return paperchk_ipp_fail(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "the request for '%s' cannot be encoded", uri);
  result = paperchk_ipp_post(&parsed, body, body_size, timeout_ms ? timeout_ms : PAPERCHK_IPP_DEFAULT_TIMEOUT_MS,
                             exchange, &response_offset, &response_size, outcome);
  if (result != PAPERCHK_IPP_AGREE) return result;
  {
    const uint32_t http_status = outcome->http_status;
    result = paperchk_ipp_decode(exchange + response_offset, response_size, printer, outcome);
    outcome->http_status = http_status;
  }
  if (result != PAPERCHK_IPP_AGREE) return result;
  return paperchk_ipp_compare(asked, printer, request, outcome);
}

int paperchk_ipp_reread_printer(void* context) {
  paperchk_ipp_reread* reread = (paperchk_ipp_reread*)context;
  if (!reread) return 0;
  ++reread->reads;
  return paperchk_ipp_read(reread->uri, &reread->asked, reread->timeout_ms, &reread->request_after, NULL,
                           &reread->outcome) == PAPERCHK_IPP_AGREE;
}
