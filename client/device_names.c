/* Which path texts Windows opens as something other than a disk file,
 * decided from the text alone, so that nothing is opened to find out: a pipe
 * server would see a client connect, a serial port would be opened. */
#include "paperchk_internal.h"

static int is_separator(uint16_t c) { return c == '\\' || c == '/'; }

static uint16_t ascii_upper(uint16_t c) { return c >= 'a' && c <= 'z' ? (uint16_t)(c - 'a' + 'A') : c; }

/* `length` units of `text` are `word` (ASCII, upper case), letter case aside. */
static int is_word(const uint16_t* text, size_t length, const char* word) {
  size_t i;
  for (i = 0; i < length; ++i) {
    if (word[i] == '\0' || ascii_upper(text[i]) != (uint16_t)(unsigned char)word[i]) return 0;
  }
  return word[length] == '\0';
}

/* The digits of COM1 to COM9 and LPT1 to LPT9, the superscript ones included. */
static int is_port_digit(uint16_t c) { return (c >= '1' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3; }

/* A reserved device name: the part before the first dot or colon, trailing
 * spaces dropped, whatever extension or stream follows. CONIN$ and CONOUT$
 * are counted in any folder, as newer systems read them. */
static int is_reserved_name(const uint16_t* name, size_t length) {
  static const char* const words[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t base = 0;
  size_t i;
  while (base < length && name[base] != '.' && name[base] != ':') ++base;
  while (base > 0 && name[base - 1] == ' ') --base;
  for (i = 0; i < sizeof words / sizeof words[0]; ++i) {
    if (is_word(name, base, words[i])) return 1;
  }
  return base == 4 && (is_word(name, 3, "COM") || is_word(name, 3, "LPT")) && is_port_digit(name[3]);
}

/* The length of the path component at `text` (up to a separator or the end). */
static size_t component_length(const uint16_t* text, size_t length) {
  size_t i = 0;
  while (i < length && !is_separator(text[i])) ++i;
  return i;
}

/* After "\\" (or "\\?\UNC\"): server, then share. The shares "pipe" and
 * "mailslot" reach a server's pipes and mailslots. */
static int names_remote_pipe(const uint16_t* text, size_t length) {
  const size_t server = component_length(text, length);
  size_t share;
  if (server == length) return 0;
  text += server + 1;
  length -= server + 1;
  share = component_length(text, length);
  return is_word(text, share, "PIPE") || is_word(text, share, "MAILSLOT");
}

/* What follows "\\?\" or "\??\": only a drive ("C:\"), a volume
 * ("Volume{...}\") or a share ("UNC\server\share\") holds disk files; every
 * other name there (GLOBALROOT, pipe, NUL, COM1, a device) is an object of
 * the system's namespace. Reserved names are not read as devices here. */
static int names_namespace_object(const uint16_t* text, size_t length) {
  const size_t first = component_length(text, length);
  if (first == length) return 1;
  if (first == 2 && ascii_upper(text[0]) >= 'A' && ascii_upper(text[0]) <= 'Z' && text[1] == ':') return 0;
  if (first > 7 && is_word(text, 7, "VOLUME{")) return 0;
  if (is_word(text, first, "UNC")) return names_remote_pipe(text + first + 1, length - first - 1);
  return 1;
}

int paperchk_names_no_disk_file(const uint16_t* path, size_t length) {
  size_t last = length;
  if (length >= 4 && path[0] == '\\' && (path[1] == '\\' || path[1] == '?') && path[2] == '?' && path[3] == '\\') {
    return names_namespace_object(path + 4, length - 4);
  }
  /* "\\.\", and "//?/" with any slashes but the four backslashes above. */
  if (length >= 4 && is_separator(path[0]) && is_separator(path[1]) && (path[2] == '.' || path[2] == '?') &&
      is_separator(path[3])) {
    return 1;
  }
  if (length >= 2 && is_separator(path[0]) && is_separator(path[1]) && names_remote_pipe(path + 2, length - 2)) {
    return 1;
  }
  while (last > 0 && !is_separator(path[last - 1])) --last;
  if (last == 0 && length >= 2 && path[1] == ':') last = 2; /* "C:NUL" */
  return is_reserved_name(path + last, length - last);
}
