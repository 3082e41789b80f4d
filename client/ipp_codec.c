/* The IPP encoding (RFC 8010): the one request the module sends,
 * Get-Printer-Attributes, and the decoding of its response into
 * paperchk_ipp_printer. The decoder reads every byte through one bounds
 * check, keeps only the attributes it knows, refuses a value or a list over
 * the limits of paperchk_ipp.h, and skips everything else by its length. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "paperchk_ipp.h"
#include "ipp_internal.h"

/* Delimiter and value tags (RFC 8010, 3.5). */
enum {
  TAG_OPERATION = 0x01, TAG_END = 0x03, TAG_PRINTER = 0x04, TAG_LAST_DELIMITER = 0x0F,
  TAG_OUT_OF_BAND_FIRST = 0x10, TAG_OUT_OF_BAND_LAST = 0x1F,
  TAG_INTEGER = 0x21, TAG_BEGIN_COLLECTION = 0x34, TAG_TEXT_WITH_LANGUAGE = 0x35, TAG_NAME_WITH_LANGUAGE = 0x36,
  TAG_END_COLLECTION = 0x37,
  TAG_TEXT = 0x41, TAG_NAME = 0x42, TAG_KEYWORD = 0x44, TAG_URI = 0x45, TAG_CHARSET = 0x47,
  TAG_LANGUAGE = 0x48, TAG_MEMBER_NAME = 0x4A
};
enum { OPERATION_GET_PRINTER_ATTRIBUTES = 0x000B };

static const char* const kRequested[] = {"media-col-ready", "media-ready", "media-source-supported",
                                         "printer-state-reasons", "printer-name"};

/* ---- the request ------------------------------------------------------ */

typedef struct writer {
  uint8_t* data;
  size_t size;
  size_t used;
  int failed;
} writer;

static void put_byte(writer* out, unsigned value) {
  if (out->used >= out->size) {
    out->failed = 1;
    return;
  }
  out->data[out->used++] = (uint8_t)(value & 0xFFu);
}

static void put_u16(writer* out, size_t value) {
  put_byte(out, (unsigned)(value >> 8));
  put_byte(out, (unsigned)value);
}

static void put_attribute(writer* out, unsigned tag, const char* name, const char* value) {
  const size_t name_length = strlen(name);
  const size_t value_length = strlen(value);
  size_t i;
  if (value_length > 0xFFFFu) {
    out->failed = 1;
    return;
  }
  put_byte(out, tag);
  put_u16(out, name_length);
  for (i = 0; i < name_length; ++i) put_byte(out, (unsigned char)name[i]);
  put_u16(out, value_length);
  for (i = 0; i < value_length; ++i) put_byte(out, (unsigned char)value[i]);
}

size_t paperchk_ipp_encode_request(const char* uri, uint32_t request_id, uint8_t* buffer, size_t size) {
  writer out;
  size_t i;
  out.data = buffer;
  out.size = buffer ? size : 0;
  out.used = 0;
  out.failed = 0;
  if (!uri || strlen(uri) > PAPERCHK_IPP_MAX_URI_LENGTH) return 0;
  put_byte(&out, 1); /* version 1.1: what every IPP printer answers */
  put_byte(&out, 1);
  put_u16(&out, OPERATION_GET_PRINTER_ATTRIBUTES);
  put_u16(&out, request_id >> 16);
  put_u16(&out, request_id & 0xFFFFu);
  put_byte(&out, TAG_OPERATION);
  put_attribute(&out, TAG_CHARSET, "attributes-charset", "utf-8");
  put_attribute(&out, TAG_LANGUAGE, "attributes-natural-language", "en");
  put_attribute(&out, TAG_URI, "printer-uri", uri);
  for (i = 0; i < sizeof kRequested / sizeof kRequested[0]; ++i) {
    put_attribute(&out, TAG_KEYWORD, i == 0 ? "requested-attributes" : "", kRequested[i]);
  }
  put_byte(&out, TAG_END);
  return out.failed ? 0 : out.used;
}

/* ---- the response ----------------------------------------------------- */

/* Which kept attribute the values belong to. */
enum kept { KEPT_NONE, KEPT_MEDIA_COL_READY, KEPT_MEDIA_READY, KEPT_SOURCES, KEPT_REASONS, KEPT_NAME };

typedef struct reader {
  const uint8_t* data;
  size_t size;
  size_t at;
  paperchk_ipp_printer* printer;
  paperchk_ipp_outcome* outcome;
  enum kept attribute;      /* the attribute the values read belong to */
  unsigned depth;           /* collections open */
  char member[PAPERCHK_IPP_MAX_DEPTH + 1][24]; /* the member named at each depth ("" for others) */
} reader;

/* Ends the decoding: the result, where, and a sentence around `format`. */
static int fail(reader* in, int result, size_t offset, const char* format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 4, 5)))
#endif
    ;
static int fail(reader* in, int result, size_t offset, const char* format, ...) {
  char what[160];
  va_list arguments;
  va_start(arguments, format);
  /* NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): va_start above initialises it */
  (void)vsnprintf(what, sizeof what, format, arguments);
  va_end(arguments);
  in->outcome->offset = offset;
  if (result == PAPERCHK_IPP_TRUNCATED) {
    return paperchk_ipp_fail(in->outcome, result, "the printer's response ends at byte %lu, %s", (unsigned long)in->size, what);
  }
  if (result == PAPERCHK_IPP_OVER_LIMIT) {
    return paperchk_ipp_fail(in->outcome, result, "the printer's response holds %s, over this module's limit", what);
  }
  return paperchk_ipp_fail(in->outcome, result, "the printer's response is no IPP response: %s at byte %lu", what,
                           (unsigned long)offset);
}

static int take_u16(reader* in, size_t* value) {
  if (in->size - in->at < 2) return 0;
  *value = ((size_t)in->data[in->at] << 8) | in->data[in->at + 1];
  in->at += 2;
  return 1;
}

static const char* attribute_name(enum kept attribute) {
  switch (attribute) {
    case KEPT_MEDIA_COL_READY: return "media-col-ready";
    case KEPT_MEDIA_READY: return "media-ready";
    case KEPT_SOURCES: return "media-source-supported";
    case KEPT_REASONS: return "printer-state-reasons";
    case KEPT_NAME: return "printer-name";
    case KEPT_NONE: break;
  }
  return "";
}

static enum kept kept_of(const uint8_t* name, size_t length) {
  enum kept each;
  for (each = KEPT_MEDIA_COL_READY; each <= KEPT_NAME; each = (enum kept)(each + 1)) {
    const char* known = attribute_name(each);
    if (strlen(known) == length && memcmp(known, name, length) == 0) return each;
  }
  return KEPT_NONE;
}

static int is_string_tag(unsigned tag) { return tag == TAG_KEYWORD || tag == TAG_NAME || tag == TAG_TEXT; }

/* A text or name with its language (RFC 8010, 3.9): the language's length and
 * bytes, then the text's; 1 with the text's bytes, 0 when the lengths do not
 * add up. */
static int text_of_language_value(const uint8_t** value, size_t* length) {
  size_t language;
  size_t text;
  if (*length < 4) return 0;
  language = ((size_t)(*value)[0] << 8) | (*value)[1];
  if (*length - 2 < language + 2) return 0;
  text = ((size_t)(*value)[2 + language] << 8) | (*value)[3 + language];
  if (4 + language + text != *length) return 0;
  *value += 4 + language;
  *length = text;
  return 1;
}

/* Copies a value into a kept keyword; longer than the keyword holds is over the limit. */
static int keep_text(reader* in, char* target, const uint8_t* value, size_t length, unsigned tag, size_t at) {
  /* Named by the member inside media-col-ready's collections. */
  const char* name = in->depth > 0 ? in->member[in->depth] : attribute_name(in->attribute);
  if ((tag == TAG_TEXT_WITH_LANGUAGE || tag == TAG_NAME_WITH_LANGUAGE) && !text_of_language_value(&value, &length)) {
    return fail(in, PAPERCHK_IPP_MALFORMED, at, "a value of %s whose language and text do not add up", name);
  }
  if (!is_string_tag(tag) && tag != TAG_TEXT_WITH_LANGUAGE && tag != TAG_NAME_WITH_LANGUAGE) {
    return fail(in, PAPERCHK_IPP_MALFORMED, at, "a value of %s that is no keyword or name (tag 0x%02X)", name, tag);
  }
  if (length >= PAPERCHK_IPP_KEYWORD_SIZE) {
    return fail(in, PAPERCHK_IPP_OVER_LIMIT, at, "a value of %s of %lu bytes (limit %u)", name, (unsigned long)length,
                   PAPERCHK_IPP_KEYWORD_SIZE - 1u);
  }
  memcpy(target, value, length);
  target[length] = '\0';
  return PAPERCHK_IPP_AGREE;
}

static int keep_in_list(reader* in, paperchk_ipp_keyword* list, size_t* count, const uint8_t* value,
                        size_t length, unsigned tag, size_t at) {
  if (*count >= PAPERCHK_IPP_MAX_LIST) {
    return fail(in, PAPERCHK_IPP_OVER_LIMIT, at, "more than %u values of %s", PAPERCHK_IPP_MAX_LIST,
                   attribute_name(in->attribute));
  }
  if (keep_text(in, list[*count], value, length, tag, at) != PAPERCHK_IPP_AGREE) return in->outcome->result;
  ++*count;
  return PAPERCHK_IPP_AGREE;
}

static int32_t integer_of(const uint8_t* value) {
  const uint32_t bits = ((uint32_t)value[0] << 24) | ((uint32_t)value[1] << 16) | ((uint32_t)value[2] << 8) | value[3];
  return bits > 0x7FFFFFFFu ? -1 : (int32_t)bits; /* a negative dimension is as good as none */
}

/* A value inside media-col-ready's collections: the members the comparison uses. */
static int keep_media_member(reader* in, unsigned tag, const uint8_t* value, size_t length, size_t at) {
  paperchk_ipp_media* media = &in->printer->loaded[in->printer->loaded_count - 1];
  const char* member = in->member[in->depth];
  if (in->depth == 1) {
    if (strcmp(member, "media-size-name") == 0) return keep_text(in, media->size_name, value, length, tag, at);
    if (strcmp(member, "media-source") == 0) return keep_text(in, media->source, value, length, tag, at);
    if (strcmp(member, "media-type") == 0) return keep_text(in, media->type, value, length, tag, at);
  } else if (in->depth == 2 && strcmp(in->member[1], "media-size") == 0 && tag == TAG_INTEGER && length == 4) {
    if (strcmp(member, "x-dimension") == 0) media->x_dimension = integer_of(value);
    if (strcmp(member, "y-dimension") == 0) media->y_dimension = integer_of(value);
  }
  return PAPERCHK_IPP_AGREE;
}

/* One value of the current attribute, at the current depth. */
static int take_value(reader* in, unsigned tag, const uint8_t* value, size_t length, size_t at) {
  paperchk_ipp_printer* printer = in->printer;
  if (tag == TAG_BEGIN_COLLECTION) {
    if (in->depth >= PAPERCHK_IPP_MAX_DEPTH) {
      return fail(in, PAPERCHK_IPP_OVER_LIMIT, at, "collections nested deeper than %u", PAPERCHK_IPP_MAX_DEPTH);
    }
    if (in->depth == 0 && in->attribute == KEPT_MEDIA_COL_READY) {
      if (printer->loaded_count >= PAPERCHK_IPP_MAX_LOADED) {
        return fail(in, PAPERCHK_IPP_OVER_LIMIT, at, "more than %u entries of media-col-ready", PAPERCHK_IPP_MAX_LOADED);
      }
      memset(&printer->loaded[printer->loaded_count++], 0, sizeof printer->loaded[0]);
    }
    ++in->depth;
    in->member[in->depth][0] = '\0';
    return PAPERCHK_IPP_AGREE;
  }
  if (tag >= TAG_OUT_OF_BAND_FIRST && tag <= TAG_OUT_OF_BAND_LAST) return PAPERCHK_IPP_AGREE; /* no value */
  if (in->depth > 0) {
    return in->attribute == KEPT_MEDIA_COL_READY ? keep_media_member(in, tag, value, length, at) : PAPERCHK_IPP_AGREE;
  }
  switch (in->attribute) {
    case KEPT_MEDIA_READY: return keep_in_list(in, printer->ready, &printer->ready_count, value, length, tag, at);
    case KEPT_SOURCES: return keep_in_list(in, printer->sources, &printer->source_count, value, length, tag, at);
    case KEPT_REASONS: return keep_in_list(in, printer->reasons, &printer->reason_count, value, length, tag, at);
    case KEPT_NAME: return keep_text(in, printer->name, value, length, tag, at);
    case KEPT_MEDIA_COL_READY:
      return fail(in, PAPERCHK_IPP_MALFORMED, at, "a value of media-col-ready that is no collection");
    case KEPT_NONE: break;
  }
  return PAPERCHK_IPP_AGREE;
}

/* Inside a collection: member names, values of the member named, the end. */
static int take_in_collection(reader* in, unsigned tag, const uint8_t* value, size_t length, size_t at) {
  if (tag == TAG_END_COLLECTION) {
    --in->depth;
    return PAPERCHK_IPP_AGREE;
  }
  if (tag == TAG_MEMBER_NAME) {
    const size_t size = sizeof in->member[0];
    /* Names the comparison does not use may be longer: they match nothing. */
    const size_t kept = length < size ? length : 0;
    memcpy(in->member[in->depth], value, kept);
    in->member[in->depth][kept] = '\0';
    if (length == 0) return fail(in, PAPERCHK_IPP_MALFORMED, at, "an empty member name");
    return PAPERCHK_IPP_AGREE;
  }
  return take_value(in, tag, value, length, at);
}

int paperchk_ipp_decode(const uint8_t* data, size_t size, paperchk_ipp_printer* printer,
                        paperchk_ipp_outcome* outcome) {
  reader in;
  unsigned group = 0;
  int have_attribute = 0;
  if (!outcome) return PAPERCHK_IPP_BAD_ARGUMENT;
  memset(outcome, 0, sizeof *outcome);
  if (!data || !printer) {
    outcome->result = PAPERCHK_IPP_BAD_ARGUMENT;
    (void)snprintf(outcome->message, sizeof outcome->message, "%s is a null pointer",
                   !data ? "the response" : "the printer");
    return outcome->result;
  }
  memset(printer, 0, sizeof *printer);
  memset(&in, 0, sizeof in);
  in.data = data;
  in.size = size;
  in.printer = printer;
  in.outcome = outcome;
  if (size > PAPERCHK_IPP_MAX_RESPONSE_SIZE) {
    return fail(&in, PAPERCHK_IPP_OVER_LIMIT, 0, "%lu bytes (limit %u)", (unsigned long)size,
                PAPERCHK_IPP_MAX_RESPONSE_SIZE);
  }
  if (size < 8) return fail(&in, PAPERCHK_IPP_TRUNCATED, size, "inside its header");
  if (data[0] < 1 || data[0] > 2) return fail(&in, PAPERCHK_IPP_MALFORMED, 0, "a version other than 1.x or 2.x");
  printer->ipp_status = ((uint32_t)data[2] << 8) | data[3];
  outcome->ipp_status = printer->ipp_status;
  in.at = 8;
  for (;;) {
    const size_t at = in.at;
    unsigned tag;
    size_t name_length = 0;
    size_t value_length = 0;
    const uint8_t* name;
    const uint8_t* value;
    int status;
    if (in.at >= in.size) return fail(&in, PAPERCHK_IPP_TRUNCATED, at, "before its end-of-attributes tag");
    tag = in.data[in.at++];
    if (tag <= TAG_LAST_DELIMITER) {
      if (tag == 0) return fail(&in, PAPERCHK_IPP_MALFORMED, at, "the reserved tag 0x00");
      if (in.depth > 0) return fail(&in, PAPERCHK_IPP_MALFORMED, at, "a group inside a collection");
      if (tag == TAG_END) break;
      group = tag;
      have_attribute = 0;
      in.attribute = KEPT_NONE;
      continue;
    }
    if (group == 0) return fail(&in, PAPERCHK_IPP_MALFORMED, at, "an attribute outside any group");
    if (!take_u16(&in, &name_length) || in.size - in.at < name_length) {
      return fail(&in, PAPERCHK_IPP_TRUNCATED, at, "inside an attribute's name");
    }
    name = in.data + in.at;
    in.at += name_length;
    if (!take_u16(&in, &value_length) || in.size - in.at < value_length) {
      return fail(&in, PAPERCHK_IPP_TRUNCATED, at, "inside an attribute's value");
    }
    value = in.data + in.at;
    in.at += value_length;
    if (name_length > 0) {
      if (in.depth > 0) return fail(&in, PAPERCHK_IPP_MALFORMED, at, "a named attribute inside a collection");
      have_attribute = 1;
      in.attribute = group == TAG_PRINTER ? kept_of(name, name_length) : KEPT_NONE;
    } else if (!have_attribute) {
      return fail(&in, PAPERCHK_IPP_MALFORMED, at, "an additional value without an attribute");
    }
    if (in.depth > 0) {
      status = take_in_collection(&in, tag, value, value_length, at);
    } else if (tag == TAG_END_COLLECTION || tag == TAG_MEMBER_NAME) {
      status = fail(&in, PAPERCHK_IPP_MALFORMED, at, "a collection's member outside any collection");
    } else {
      status = take_value(&in, tag, value, value_length, at);
    }
    if (status != PAPERCHK_IPP_AGREE) return status;
  }
  outcome->result = PAPERCHK_IPP_AGREE; /* decoded; the comparison says more */
  return PAPERCHK_IPP_AGREE;
}
