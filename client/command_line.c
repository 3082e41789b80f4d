/* The command line that starts paperchk.
 *
 * paperchk reads its command line with a strtok-style tokenizer: a run of
 * backslashes is one separator, the program path and the exchange path end at
 * a space, and the printer name loses its first and last characters. A driver
 * that writes a field paperchk reads differently gets no error, only a dialog
 * with the wrong values or a decision in another file. The builder therefore
 * refuses every request paperchk would refuse or misread, with an error that
 * names the field, the rule and the limit; it never cuts or rewrites a field. */
#include <string.h>

#include "paperchk_counted.h"
#include "paperchk_internal.h"

/* The longest line the other limits allow stays within paperchk's line
 * buffer, so no accepted request can be refused for its length as a whole. */
#define MAX_CODE_DIGITS 5 /* 65535 */
#define CODE_FIELDS ((size_t)3 * PAPERCHK_MAX_ITEMS + 4)
#define LONGEST_COMMAND_LINE                                                                                  \
  (PAPERCHK_MAX_PROGRAM_PATH_LENGTH + 1 + (sizeof "3_Item" - 1) + 1 + (PAPERCHK_MAX_PRINTER_NAME_LENGTH + 2) + \
   1 + PAPERCHK_MAX_PORT_LENGTH + CODE_FIELDS * (1 + MAX_CODE_DIGITS) + 1 + PAPERCHK_MAX_EXCHANGE_PATH_LENGTH)
typedef char longest_line_fits[LONGEST_COMMAND_LINE <= PAPERCHK_MAX_COMMAND_LINE_LENGTH ? 1 : -1];

/* ---- the error's sentence ---- */

/* A text being written into a fixed buffer: what does not fit is dropped,
 * the end is always NUL-terminated. */
typedef struct sentence {
  char* text;
  size_t size;
  size_t length;
} sentence;

static void append(sentence* out, const char* text) {
  for (; *text != '\0' && out->length + 1 < out->size; ++text) out->text[out->length++] = *text;
  out->text[out->length] = '\0';
}

static void append_number(sentence* out, uint64_t value) {
  char digits[24];
  size_t count = 0;
  do {
    digits[count++] = (char)('0' + (int)(value % 10));
    value /= 10;
  } while (value != 0);
  while (count > 0 && out->length + 1 < out->size) out->text[out->length++] = digits[--count];
  out->text[out->length] = '\0';
}

static const char* field_name(int field) {
  switch (field) {
    case PAPERCHK_FIELD_PROGRAM_PATH: return "program path";
    case PAPERCHK_FIELD_PRINTER_NAME: return "printer name";
    case PAPERCHK_FIELD_PORT: return "port";
    case PAPERCHK_FIELD_ITEMS: return "items";
    case PAPERCHK_FIELD_SETTING_NAME: return "setting name";
    case PAPERCHK_FIELD_APPLICATION_VALUE: return "application value";
    case PAPERCHK_FIELD_PRINTER_VALUE: return "printer value";
    case PAPERCHK_FIELD_PAPER_SOURCE: return "paper source";
    case PAPERCHK_FIELD_OTHER_TRAY_SIZE: return "other tray size";
    case PAPERCHK_FIELD_OTHER_TRAY_MEDIA: return "other tray media";
    case PAPERCHK_FIELD_EXCHANGE_PATH: return "exchange path";
    case PAPERCHK_FIELD_COMMAND_LINE: return "command line";
    case PAPERCHK_FIELD_BUFFER: return "buffer";
    case PAPERCHK_FIELD_DECISION: return "decision";
    case PAPERCHK_FIELD_RESULT: return "result";
    case PAPERCHK_FIELD_FILES: return "files";
    case PAPERCHK_FIELD_SESSION: return "session";
    case PAPERCHK_FIELD_EXECUTION_CONTEXT: return "print execution context";
    case PAPERCHK_FIELD_DECISION_TIMEOUT: return "decision timeout";
    case PAPERCHK_FIELD_END_TIMEOUT: return "end timeout";
    case PAPERCHK_FIELD_POLL_INTERVAL: return "poll interval";
    case PAPERCHK_FIELD_PLATFORM: return "platform";
    case PAPERCHK_FIELD_PROCESS: return "paperchk's process";
    default: return "request";
  }
}

static const char* context_name(size_t context) {
  switch (context) {
    case PAPERCHK_CONTEXT_APPLICATION: return "application";
    case PAPERCHK_CONTEXT_SPOOLER_SERVICE: return "spooler service";
    case PAPERCHK_CONTEXT_SPOOLER_ISOLATION_HOST: return "spooler isolation host";
    case PAPERCHK_CONTEXT_FILTER_PIPELINE: return "filter pipeline";
    case PAPERCHK_CONTEXT_WOW64: return "bridge for applications of the other width";
    default: return "unknown";
  }
}

int paperchk_time_range(int field, uint32_t* lowest, uint32_t* highest) {
  switch (field) {
    case PAPERCHK_FIELD_DECISION_TIMEOUT:
      *lowest = PAPERCHK_MIN_DECISION_TIMEOUT_MS;
      *highest = PAPERCHK_MAX_DECISION_TIMEOUT_MS;
      return 1;
    case PAPERCHK_FIELD_END_TIMEOUT:
      *lowest = PAPERCHK_MIN_END_TIMEOUT_MS;
      *highest = PAPERCHK_MAX_END_TIMEOUT_MS;
      return 1;
    case PAPERCHK_FIELD_POLL_INTERVAL:
      *lowest = PAPERCHK_MIN_POLL_INTERVAL_MS;
      *highest = PAPERCHK_MAX_POLL_INTERVAL_MS;
      return 1;
    default: return 0;
  }
}

static const char* rule_text(int rule) {
  switch (rule) {
    case PAPERCHK_RULE_NONE: return "accepted";
    case PAPERCHK_RULE_EMPTY:
      return "must not be empty (a run of separators counts as one, so every later field would move up)";
    case PAPERCHK_RULE_TOO_LONG: return "is longer than paperchk reads";
    case PAPERCHK_RULE_NUL: return "holds a NUL character, which would end the command line";
    case PAPERCHK_RULE_BACKSLASH: return "holds a backslash, which paperchk reads as a field separator";
    case PAPERCHK_RULE_PRINTER_CONNECTION:
      return "is a printer connection (\\\\server\\printer): its backslashes would split the field; "
             "pass the printer's name without the server part (for \\\\server\\Laser 2 pass \"Laser 2\")";
    case PAPERCHK_RULE_SPACE: return "holds a space, which ends this field";
    case PAPERCHK_RULE_NOT_NETWORK_PATH:
      return "holds backslashes but is not a network path (\\\\server\\queue): paperchk would show it with commas";
    case PAPERCHK_RULE_MISREAD_AS_NETWORK_PATH:
      return "starts with two commas and would be misread as a network path (its commas shown as backslashes)";
    case PAPERCHK_RULE_COMMA_IN_NETWORK_PATH:
      return "is a network path holding a comma: paperchk would show the comma as a backslash";
    case PAPERCHK_RULE_ITEM_COUNT: return "must hold 1 to 3 items";
    case PAPERCHK_RULE_CODE_OUT_OF_RANGE: return "is not a catalogue number (0 to 65535)";
    case PAPERCHK_RULE_BUFFER_TOO_SMALL: return "does not fit the caller's buffer";
    case PAPERCHK_RULE_NULL: return "is a null pointer";
    case PAPERCHK_RULE_SYSTEM_FAILURE: return "could not be used: the system refused";
    case PAPERCHK_RULE_UNEXPECTED_VALUE: return "holds a decision paperchk never writes";
    case PAPERCHK_RULE_NO_USER:
      return "shows no window to the user: nobody would see paperchk's dialog "
             "(launch it from the application's process)";
    case PAPERCHK_RULE_OUT_OF_RANGE: return "is out of range";
    case PAPERCHK_RULE_IN_USE: return "is held by another launch running in this session";
    case PAPERCHK_RULE_NOT_A_DISK_FILE: return "names a device, a pipe or a console, not a disk file";
    case PAPERCHK_RULE_TIMED_OUT: return "ran out before a decision came, and paperchk was ended";
    case PAPERCHK_RULE_ENDED_WITHOUT_DECISION: return "ended without writing a decision";
    case PAPERCHK_RULE_NOT_REMOVED: return "could not be removed at the end";
    case PAPERCHK_RULE_BROKEN_CHARACTER:
      return "holds bytes that are no character of the code page (a double-byte character cut short would "
             "take the next separator with it)";
    case PAPERCHK_RULE_NOT_IN_CODE_PAGE:
      return "holds a character the code page paperchk reads cannot hold (it would arrive as ?)";
    default: return "is refused";
  }
}

void paperchk_describe_error(paperchk_error* error) {
  sentence out;
  if (error == NULL) return;
  out.text = error->message;
  out.size = sizeof error->message;
  out.length = 0;
  error->message[0] = '\0';
  if (error->rule == PAPERCHK_RULE_NONE) return;
  append(&out, field_name(error->field));
  if (error->rule == PAPERCHK_RULE_NO_USER) {
    append(&out, " ");
    if (error->field == PAPERCHK_FIELD_SESSION) {
      append_number(&out, error->limit);
    } else {
      append(&out, "\"");
      append(&out, context_name(error->limit));
      append(&out, "\"");
    }
  }
  if (error->item != 0) {
    append(&out, " of item ");
    append_number(&out, error->item);
  }
  append(&out, " ");
  append(&out, rule_text(error->rule));
  if (error->rule == PAPERCHK_RULE_TOO_LONG) {
    append(&out, " (at most ");
    append_number(&out, error->limit);
    append(&out, " characters)");
  } else if (error->rule == PAPERCHK_RULE_BUFFER_TOO_SMALL) {
    append(&out, " (");
    append_number(&out, error->limit);
    append(&out, " bytes needed)");
  } else if (error->rule == PAPERCHK_RULE_OUT_OF_RANGE) {
    uint32_t lowest = 0;
    uint32_t highest = 0;
    if (paperchk_time_range(error->field, &lowest, &highest)) {
      append(&out, " (0 for the default, or ");
      append_number(&out, lowest);
      append(&out, " to ");
      append_number(&out, highest);
      append(&out, " ms)");
    }
  } else if (error->rule == PAPERCHK_RULE_UNEXPECTED_VALUE) {
    append(&out, " (");
    append_number(&out, error->limit);
    append(&out, ")");
  } else if (error->rule == PAPERCHK_RULE_TIMED_OUT) {
    append(&out, " (");
    append_number(&out, error->limit);
    append(&out, " ms)");
  } else if (error->rule == PAPERCHK_RULE_ENDED_WITHOUT_DECISION) {
    append(&out, " (exit status ");
    append_number(&out, error->limit);
    append(&out, ")");
  }
  if (error->system_error != 0) {
    append(&out, " (system error ");
    append_number(&out, error->system_error);
    append(&out, ")");
  }
}

void paperchk_set_error(paperchk_error* error, int field, int rule, size_t limit, size_t item,
                        uint32_t system_error) {
  if (error == NULL) return;
  error->field = field;
  error->rule = rule;
  error->limit = limit;
  error->item = item;
  error->system_error = system_error;
  paperchk_describe_error(error);
}

void paperchk_clear_error(paperchk_error* error) {
  paperchk_set_error(error, PAPERCHK_FIELD_NONE, PAPERCHK_RULE_NONE, 0, 0, 0);
}

/* ---- the rules ---- */

typedef struct refusal {
  int field;
  int rule;
  size_t limit;
  size_t item;
} refusal;

static const refusal accepted = {PAPERCHK_FIELD_NONE, PAPERCHK_RULE_NONE, 0, 0};

static refusal refuse(int field, int rule, size_t limit, size_t item) {
  refusal result;
  result.field = field;
  result.rule = rule;
  result.limit = limit;
  result.item = item;
  return result;
}

/* Bytes of the character at `index`: 2 for a lead byte with a byte after it. */
static size_t character_length(const paperchk_code_page* page, paperchk_text text, size_t index) {
  return page->lead[(unsigned char)text.text[index]] && index + 1 < text.length ? 2 : 1;
}

/* Whether one of the text's characters is `character` (an ASCII one): the
 * second byte of a double-byte character is none, as paperchk reads it. */
static int contains(const paperchk_code_page* page, paperchk_text text, char character) {
  size_t index = 0;
  while (index < text.length) {
    if (text.text[index] == character) return 1;
    index += character_length(page, text, index);
  }
  return 0;
}

/* Whole characters of the code page only (see paperchk_code_page_holds). */
static int is_whole(const paperchk_code_page* page, paperchk_text text) {
  return paperchk_code_page_holds(page, text.text, text.length);
}

static int has_nul(paperchk_text text) { return text.length != 0 && memchr(text.text, '\0', text.length) != NULL; }

static int starts_with_two(paperchk_text text, char character) {
  return text.length >= 2 && text.text[0] == character && text.text[1] == character;
}

/* A field that paperchk reads up to the next space: the program path and the
 * exchange path. It also skips spaces in front of it. */
static refusal check_space_delimited(const paperchk_code_page* page, paperchk_text text, int field,
                                     size_t max_length) {
  if (text.length == 0) return refuse(field, PAPERCHK_RULE_EMPTY, 0, 0);
  if (has_nul(text)) return refuse(field, PAPERCHK_RULE_NUL, 0, 0);
  if (!is_whole(page, text)) return refuse(field, PAPERCHK_RULE_BROKEN_CHARACTER, 0, 0);
  if (contains(page, text, ' ')) return refuse(field, PAPERCHK_RULE_SPACE, 0, 0);
  if (text.length > max_length) return refuse(field, PAPERCHK_RULE_TOO_LONG, max_length, 0);
  return accepted;
}

static refusal check_printer_name(const paperchk_code_page* page, paperchk_text name) {
  const int field = PAPERCHK_FIELD_PRINTER_NAME;
  if (has_nul(name)) return refuse(field, PAPERCHK_RULE_NUL, 0, 0);
  if (!is_whole(page, name)) return refuse(field, PAPERCHK_RULE_BROKEN_CHARACTER, 0, 0);
  if (contains(page, name, '\\')) {
    return refuse(field, starts_with_two(name, '\\') ? PAPERCHK_RULE_PRINTER_CONNECTION : PAPERCHK_RULE_BACKSLASH,
                  0, 0);
  }
  /* Any characters may stand between the quotes, quotes and spaces
   * included: paperchk drops the first and the last character of the field. */
  if (name.length > PAPERCHK_MAX_PRINTER_NAME_LENGTH) {
    return refuse(field, PAPERCHK_RULE_TOO_LONG, PAPERCHK_MAX_PRINTER_NAME_LENGTH, 0);
  }
  return accepted;
}

/* paperchk turns every comma of a port starting with ",," into a backslash,
 * so only a port whose trip there and back gives itself is accepted. */
static refusal check_port(const paperchk_code_page* page, paperchk_text port) {
  const int field = PAPERCHK_FIELD_PORT;
  if (port.length == 0) return refuse(field, PAPERCHK_RULE_EMPTY, 0, 0);
  if (has_nul(port)) return refuse(field, PAPERCHK_RULE_NUL, 0, 0);
  if (!is_whole(page, port)) return refuse(field, PAPERCHK_RULE_BROKEN_CHARACTER, 0, 0);
  if (port.length > PAPERCHK_MAX_PORT_LENGTH) return refuse(field, PAPERCHK_RULE_TOO_LONG, PAPERCHK_MAX_PORT_LENGTH, 0);
  if (contains(page, port, '\\')) {
    if (!starts_with_two(port, '\\')) return refuse(field, PAPERCHK_RULE_NOT_NETWORK_PATH, 0, 0);
    if (contains(page, port, ',')) return refuse(field, PAPERCHK_RULE_COMMA_IN_NETWORK_PATH, 0, 0);
  } else if (starts_with_two(port, ',')) {
    return refuse(field, PAPERCHK_RULE_MISREAD_AS_NETWORK_PATH, 0, 0);
  }
  return accepted;
}

static int code_fits(uint32_t code) { return code <= PAPERCHK_MAX_CODE; }

static refusal check_code(uint32_t code, int field, size_t item) {
  return code_fits(code) ? accepted : refuse(field, PAPERCHK_RULE_CODE_OUT_OF_RANGE, PAPERCHK_MAX_CODE, item);
}

static refusal check_request(const paperchk_code_page* page, const paperchk_counted_request* request) {
  refusal found = check_printer_name(page, request->printer_name);
  size_t index;
  if (found.rule != PAPERCHK_RULE_NONE) return found;
  found = check_port(page, request->port);
  if (found.rule != PAPERCHK_RULE_NONE) return found;
  if (request->item_count == 0 || request->item_count > PAPERCHK_MAX_ITEMS) {
    return refuse(PAPERCHK_FIELD_ITEMS, PAPERCHK_RULE_ITEM_COUNT, PAPERCHK_MAX_ITEMS, 0);
  }
  for (index = 0; index < request->item_count; ++index) {
    const paperchk_item* item = &request->items[index];
    const size_t number = index + 1;
    if (!code_fits(item->setting_name)) return check_code(item->setting_name, PAPERCHK_FIELD_SETTING_NAME, number);
    if (!code_fits(item->application_value)) {
      return check_code(item->application_value, PAPERCHK_FIELD_APPLICATION_VALUE, number);
    }
    if (!code_fits(item->printer_value)) return check_code(item->printer_value, PAPERCHK_FIELD_PRINTER_VALUE, number);
  }
  if (!code_fits(request->paper_source)) return check_code(request->paper_source, PAPERCHK_FIELD_PAPER_SOURCE, 0);
  if (!code_fits(request->other_tray_size)) {
    return check_code(request->other_tray_size, PAPERCHK_FIELD_OTHER_TRAY_SIZE, 0);
  }
  if (!code_fits(request->other_tray_media)) {
    return check_code(request->other_tray_media, PAPERCHK_FIELD_OTHER_TRAY_MEDIA, 0);
  }
  return check_space_delimited(page, request->exchange_path, PAPERCHK_FIELD_EXCHANGE_PATH,
                               PAPERCHK_MAX_EXCHANGE_PATH_LENGTH);
}

/* ---- writing the line ---- */

/* Writes into the caller's buffer while it has room and counts every byte,
 * so a buffer that is too small still learns the size needed. */
typedef struct line_writer {
  char* buffer;
  size_t size;
  size_t length;
} line_writer;

static void put_char(line_writer* out, char character) {
  if (out->length < out->size) out->buffer[out->length] = character;
  ++out->length;
}

static void put_text(line_writer* out, paperchk_text text) {
  size_t index;
  for (index = 0; index < text.length; ++index) put_char(out, text.text[index]);
}

static paperchk_text text_part(paperchk_text text, size_t start, size_t length) {
  paperchk_text part;
  part.text = text.text + start;
  part.length = length;
  return part;
}

static void put_code(line_writer* out, uint32_t code) {
  char digits[12];
  size_t count = 0;
  put_char(out, '\\');
  do {
    digits[count++] = (char)('0' + (int)(code % 10));
    code /= 10;
  } while (code != 0);
  while (count > 0) put_char(out, digits[--count]);
}

static void write_line(const paperchk_code_page* page, paperchk_text program_path,
                       const paperchk_counted_request* request, line_writer* out) {
  static const char item_words[][7] = {"", "1_Item", "2_Item", "3_Item"};
  const paperchk_text item_word = {item_words[request->item_count], 6};
  size_t index;
  if (program_path.text != NULL) {
    put_text(out, program_path);
    put_char(out, ' ');
  }
  put_text(out, item_word);
  put_char(out, ' ');
  put_char(out, '"');
  put_text(out, request->printer_name);
  put_char(out, '"');
  put_char(out, '\\');
  /* A network port travels with commas for its backslashes (whole
   * characters: a trail byte that looks like one stays). */
  index = 0;
  while (index < request->port.length) {
    const size_t length = character_length(page, request->port, index);
    const char character = request->port.text[index];
    if (length == 1 && character == '\\') {
      put_char(out, ',');
    } else {
      put_text(out, text_part(request->port, index, length));
    }
    index += length;
  }
  for (index = 0; index < request->item_count; ++index) {
    put_code(out, request->items[index].setting_name);
    put_code(out, request->items[index].application_value);
    put_code(out, request->items[index].printer_value);
  }
  put_code(out, request->paper_source);
  put_code(out, request->second_tray_shown != 0 ? 1u : 0u);
  put_code(out, request->other_tray_size);
  put_code(out, request->other_tray_media);
  put_char(out, '\\');
  put_text(out, request->exchange_path);
}

int paperchk_build_counted(paperchk_text program_path, const paperchk_counted_request* request, char* buffer,
                           size_t buffer_size, paperchk_error* error) {
  refusal found = accepted;
  line_writer out;
  paperchk_code_page page;
  uint32_t system_error = 0;
  if (buffer != NULL && buffer_size != 0) buffer[0] = '\0';
  if (request == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_REQUEST, PAPERCHK_RULE_NULL, 0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  /* The rules read every text as paperchk will: in this code page. */
  if (!paperchk_load_code_page(request->code_page, &page, &system_error)) {
    paperchk_set_error(error, PAPERCHK_FIELD_REQUEST, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, system_error);
    return PAPERCHK_REFUSED;
  }
  if (program_path.text != NULL) {
    found = check_space_delimited(&page, program_path, PAPERCHK_FIELD_PROGRAM_PATH,
                                  PAPERCHK_MAX_PROGRAM_PATH_LENGTH);
  }
  if (found.rule == PAPERCHK_RULE_NONE) found = check_request(&page, request);
  if (found.rule != PAPERCHK_RULE_NONE) {
    paperchk_set_error(error, found.field, found.rule, found.limit, found.item, 0);
    return PAPERCHK_REFUSED;
  }
  /* Measured first; written only when it fits whole with its NUL. */
  out.buffer = NULL;
  out.size = 0;
  out.length = 0;
  write_line(&page, program_path, request, &out);
  if (buffer == NULL || out.length >= buffer_size) {
    paperchk_set_error(error, PAPERCHK_FIELD_COMMAND_LINE, PAPERCHK_RULE_BUFFER_TOO_SMALL, out.length + 1, 0, 0);
    return PAPERCHK_REFUSED;
  }
  out.buffer = buffer;
  out.size = buffer_size;
  out.length = 0;
  write_line(&page, program_path, request, &out);
  buffer[out.length] = '\0';
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}

static paperchk_text counted(const char* text) {
  paperchk_text result;
  result.text = text;
  result.length = text != NULL ? strlen(text) : 0;
  return result;
}

int paperchk_build_command_line(const char* program_path, const paperchk_request* request, char* buffer,
                                size_t buffer_size, paperchk_error* error) {
  paperchk_counted_request converted;
  int null_field = PAPERCHK_FIELD_NONE;
  if (buffer != NULL && buffer_size != 0) buffer[0] = '\0';
  if (program_path == NULL) {
    null_field = PAPERCHK_FIELD_PROGRAM_PATH;
  } else if (request == NULL) {
    null_field = PAPERCHK_FIELD_REQUEST;
  } else if (request->printer_name == NULL) {
    null_field = PAPERCHK_FIELD_PRINTER_NAME;
  } else if (request->port == NULL) {
    null_field = PAPERCHK_FIELD_PORT;
  } else if (request->exchange_path == NULL) {
    null_field = PAPERCHK_FIELD_EXCHANGE_PATH;
  } else if (buffer == NULL && buffer_size != 0) {
    null_field = PAPERCHK_FIELD_BUFFER; /* (NULL, 0) is the size query */
  }
  if (null_field != PAPERCHK_FIELD_NONE) {
    paperchk_set_error(error, null_field, PAPERCHK_RULE_NULL, 0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  converted.printer_name = counted(request->printer_name);
  converted.port = counted(request->port);
  converted.item_count = request->item_count;
  converted.items = request->items;
  converted.paper_source = request->paper_source;
  converted.second_tray_shown = request->second_tray_shown;
  converted.other_tray_size = request->other_tray_size;
  converted.other_tray_media = request->other_tray_media;
  converted.exchange_path = counted(request->exchange_path);
  converted.code_page = request->code_page;
  return paperchk_build_counted(counted(program_path), &converted, buffer, buffer_size, error);
}

/* The version the library was built as: PAPERCHK_CLIENT_VERSION of the
 * header it was compiled with (beside the builder, which every driver links). */
const char* paperchk_client_version(void) { return PAPERCHK_CLIENT_VERSION; }
