/* What the job asks against what the printer has loaded: the one table from
 * IPP keywords to the catalogue's numbers, and the comparison that fills a
 * paperchk_request. A keyword the table lacks stands as 0 ("Altro") and is
 * named in the outcome; nothing is guessed from a look-alike. */
#include <stdio.h>
#include <string.h>

#include "paperchk_ipp.h"
#include "ipp_internal.h"

/* The catalogue's setting names and the two trays paperchk's selector knows. */
enum { SETTING_PAPER_PATH = 40001, SETTING_PAPER_SIZE = 40002, SETTING_MEDIA_TYPE = 40003 };
enum { SOURCE_UPPER_TRAY = 30002, SOURCE_LOWER_TRAY = 30005, SOURCE_AUTO = 30006 };
/* PWG dimensions of sizes given in inches are rounded to 1/100 mm either way. */
enum { DIMENSION_TOLERANCE = 2 };

typedef struct size_row {
  const char* pwg_name;
  int32_t x_dimension; /* 1/100 mm, portrait */
  int32_t y_dimension;
  uint16_t printer_code;     /* 256 to 12544 */
  uint16_t application_code; /* 50000 + the DEVMODE paper size */
} size_row;

static const size_row kSizes[] = {
    {"iso_a3_297x420mm", 29700, 42000, 256, 50008},
    {"jis_b4_257x364mm", 25700, 36400, 512, 50012}, /* DEVMODE's B4 is the JIS one */
    {"iso_a4_210x297mm", 21000, 29700, 768, 50009},
    {"jis_b5_182x257mm", 18200, 25700, 1024, 50013},
    {"iso_a5_148x210mm", 14800, 21000, 1280, 50011},
    {"jpn_hagaki_100x148mm", 10000, 14800, 1536, 50263},
    {"jpn_oufuku_148x200mm", 14800, 20000, 1792, 50264},
    {"na_letter_8.5x11in", 21590, 27940, 2048, 50001},
    {"na_invoice_5.5x8.5in", 13970, 21590, 2304, 50266},
    {"na_legal_8.5x14in", 21590, 35560, 2560, 50005},
    {"iso_a6_105x148mm", 10500, 14800, 3072, 50260},
    {"iso_a2_420x594mm", 42000, 59400, 3328, 50257},
    {"na_executive_7.25x10.5in", 18415, 26670, 7168, 50007},
    {"na_super-b_13x19in", 33020, 48260, 8192, 50258},
    {"na_number-10_4.125x9.5in", 10478, 24130, 8961, 50020},
    {"iso_dl_110x220mm", 11000, 22000, 9985, 50027},
    {"iso_c5_162x229mm", 16200, 22900, 10753, 50028},
    {"iso_c6_114x162mm", 11400, 16200, 11009, 50031},
    {"na_ledger_11x17in", 27940, 43180, 11520, 50262},
    {"na_c_17x22in", 43180, 55880, 11776, 50261},
    {"na_index-5x8_5x8in", 12700, 20320, 12032, 50267},
    {"na_govt-letter_8x10in", 20320, 25400, 12288, 50268},
    {"jis_b3_364x515mm", 36400, 51500, 12544, 50259},
};

typedef struct keyword_row {
  const char* keyword;
  uint16_t code;
} keyword_row;

static const keyword_row kTypes[] = {
    {"stationery", 20001},          {"photographic", 20004},   {"photographic-glossy", 20005},
    {"transparency", 20006},        {"back-print-film", 20007}, {"stationery-heavyweight", 20009},
};

static const keyword_row kSources[] = {
    {"manual", 30001}, {"tray-1", 30002}, {"top", 30002},  {"by-pass-tray", 30004},
    {"tray-2", 30005}, {"bottom", 30005}, {"auto", 30006},
};

static int near(int32_t a, int32_t b) { return a - b <= DIMENSION_TOLERANCE && b - a <= DIMENSION_TOLERANCE; }

/* The size's row: by its dimensions when given (either way round: the same
 * sheet fed the other way), else by its name; -1 when the table lacks it. */
static int size_row_of(const char* pwg_name, int32_t x, int32_t y) {
  size_t i;
  for (i = 0; i < sizeof kSizes / sizeof kSizes[0]; ++i) {
    const size_row* row = &kSizes[i];
    if (x > 0 && y > 0) {
      if ((near(x, row->x_dimension) && near(y, row->y_dimension)) ||
          (near(y, row->x_dimension) && near(x, row->y_dimension))) {
        return (int)i;
      }
    } else if (pwg_name && strcmp(pwg_name, row->pwg_name) == 0) {
      return (int)i;
    }
  }
  return -1;
}

uint32_t paperchk_ipp_size_code(const char* pwg_name, int32_t x_dimension, int32_t y_dimension, int application) {
  const int row = size_row_of(pwg_name, x_dimension, y_dimension);
  if (row < 0) return 0;
  return application ? kSizes[row].application_code : kSizes[row].printer_code;
}

static uint32_t code_of(const keyword_row* rows, size_t count, const char* keyword) {
  size_t i;
  for (i = 0; keyword && i < count; ++i) {
    if (strcmp(rows[i].keyword, keyword) == 0) return rows[i].code;
  }
  return 0;
}

uint32_t paperchk_ipp_type_code(const char* media_type) {
  return code_of(kTypes, sizeof kTypes / sizeof kTypes[0], media_type);
}

uint32_t paperchk_ipp_source_code(const char* media_source) {
  return code_of(kSources, sizeof kSources / sizeof kSources[0], media_source);
}

/* Appends "who what 'keyword'" to the outcome's list of keywords the table lacks. */
static void name_unknown(paperchk_ipp_outcome* outcome, const char* who, const char* what, const char* keyword) {
  const size_t used = strlen(outcome->unknown);
  (void)snprintf(outcome->unknown + used, sizeof outcome->unknown - used, "%s%s %s '%s'", used ? ", " : "", who,
                 what, keyword);
}

static void name_unknown_size(paperchk_ipp_outcome* outcome, const paperchk_ipp_media* media) {
  char dimensions[32];
  if (media->size_name[0] != '\0') {
    name_unknown(outcome, "printer", "media-size-name", media->size_name);
    return;
  }
  (void)snprintf(dimensions, sizeof dimensions, "%ldx%ld", (long)media->x_dimension, (long)media->y_dimension);
  name_unknown(outcome, "printer", "media-size", dimensions);
}

static int same_size(const char* asked, const paperchk_ipp_media* loaded) {
  const int asked_row = size_row_of(asked, 0, 0);
  const int loaded_row = size_row_of(loaded->size_name, loaded->x_dimension, loaded->y_dimension);
  if (asked_row >= 0 && loaded_row >= 0) return asked_row == loaded_row;
  return strcmp(asked, loaded->size_name) == 0;
}

/* The loaded source the printer prints the job from. */
static const paperchk_ipp_media* current_source(const paperchk_ipp_asked* asked, const paperchk_ipp_printer* printer,
                                                int* asked_source_used) {
  size_t i;
  const int automatic = strcmp(asked->source, "auto") == 0;
  *asked_source_used = 1;
  for (i = 0; i < printer->loaded_count; ++i) {
    const paperchk_ipp_media* media = &printer->loaded[i];
    if (automatic ? same_size(asked->size, media) && strcmp(asked->type, media->type) == 0
                  : strcmp(asked->source, media->source) == 0) {
      return media;
    }
  }
  *asked_source_used = 0;
  return &printer->loaded[0];
}

static const paperchk_ipp_media* other_tray(const paperchk_ipp_printer* printer, uint32_t current) {
  const uint32_t other = current == SOURCE_UPPER_TRAY ? SOURCE_LOWER_TRAY : SOURCE_UPPER_TRAY;
  size_t i;
  if (current != SOURCE_UPPER_TRAY && current != SOURCE_LOWER_TRAY) return NULL;
  for (i = 0; i < printer->loaded_count; ++i) {
    if (paperchk_ipp_source_code(printer->loaded[i].source) == other) return &printer->loaded[i];
  }
  return NULL;
}

static void add_item(paperchk_request* request, uint32_t setting, uint32_t application, uint32_t printer) {
  paperchk_item* item = &request->items[request->item_count++];
  item->setting_name = setting;
  item->application_value = application;
  item->printer_value = printer;
}

static int finish(paperchk_ipp_outcome* outcome, int result, const char* message) {
  outcome->result = result;
  (void)snprintf(outcome->message, sizeof outcome->message, "%s", message);
  return result;
}

void paperchk_ipp_clear_report(paperchk_request* request) {
  request->item_count = 0;
  memset(request->items, 0, sizeof request->items);
  request->paper_source = 0;
  request->second_tray_shown = 0;
  request->other_tray_size = 0;
  request->other_tray_media = 0;
}

int paperchk_ipp_compare(const paperchk_ipp_asked* asked, const paperchk_ipp_printer* printer,
                         paperchk_request* request, paperchk_ipp_outcome* outcome) {
  const paperchk_ipp_media* current;
  const paperchk_ipp_media* other;
  uint32_t asked_source;
  uint32_t printer_source;
  int asked_source_used;
  int source_differs;
  int size_differs;
  int type_differs;
  if (!outcome) return PAPERCHK_IPP_BAD_ARGUMENT;
  if (request) paperchk_ipp_clear_report(request);
  outcome->unknown[0] = '\0';
  if (!asked || !printer || !request) return finish(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "a null pointer was passed");
  if (!asked->size || !asked->type || !asked->source || !asked->size[0] || !asked->type[0] || !asked->source[0]) {
    return finish(outcome, PAPERCHK_IPP_BAD_ARGUMENT, "the asked size, type and source must all be given");
  }
  if (printer->ipp_status > 0xFFu) {
    char message[96];
    (void)snprintf(message, sizeof message, "the printer answered with the IPP error status 0x%04lX",
                   (unsigned long)printer->ipp_status);
    outcome->ipp_status = printer->ipp_status;
    return finish(outcome, PAPERCHK_IPP_ERROR_STATUS, message);
  }
  if (printer->loaded_count == 0) {
    return finish(outcome, PAPERCHK_IPP_NO_LOADED_MEDIA,
                  "the printer lists no loaded media (media-col-ready is missing or empty)");
  }

  if (paperchk_ipp_size_code(asked->size, 0, 0, 1) == 0) name_unknown(outcome, "asked", "size", asked->size);
  if (paperchk_ipp_type_code(asked->type) == 0) name_unknown(outcome, "asked", "media-type", asked->type);
  asked_source = paperchk_ipp_source_code(asked->source);
  if (asked_source == 0) name_unknown(outcome, "asked", "media-source", asked->source);

  current = current_source(asked, printer, &asked_source_used);
  printer_source = paperchk_ipp_source_code(current->source);
  if (paperchk_ipp_size_code(current->size_name, current->x_dimension, current->y_dimension, 0) == 0) {
    name_unknown_size(outcome, current);
  }
  if (paperchk_ipp_type_code(current->type) == 0) name_unknown(outcome, "printer", "media-type", current->type);
  if (printer_source == 0) name_unknown(outcome, "printer", "media-source", current->source);

  source_differs = !asked_source_used;
  size_differs = !same_size(asked->size, current);
  type_differs = strcmp(asked->type, current->type) != 0;
  if (!source_differs && !size_differs && !type_differs) {
    char message[PAPERCHK_IPP_MESSAGE_SIZE];
    (void)snprintf(message, sizeof message, "they agree: the printer has %s %s in %s", current->size_name,
                   current->type, current->source);
    return finish(outcome, PAPERCHK_IPP_AGREE, message);
  }

  other = other_tray(printer, printer_source);
  request->paper_source = printer_source;
  if (other) {
    request->second_tray_shown = 1;
    request->other_tray_size = paperchk_ipp_size_code(other->size_name, other->x_dimension, other->y_dimension, 0);
    request->other_tray_media = paperchk_ipp_type_code(other->type);
  }
  /* With the other tray on offer, paperchk reads the rows as path, size and media. */
  if (source_differs || other) add_item(request, SETTING_PAPER_PATH, asked_source, printer_source);
  if (size_differs || other) {
    add_item(request, SETTING_PAPER_SIZE, paperchk_ipp_size_code(asked->size, 0, 0, 1),
             paperchk_ipp_size_code(current->size_name, current->x_dimension, current->y_dimension, 0));
  }
  if (type_differs || other) {
    add_item(request, SETTING_MEDIA_TYPE, paperchk_ipp_type_code(asked->type), paperchk_ipp_type_code(current->type));
  }
  {
    char message[PAPERCHK_IPP_MESSAGE_SIZE];
    (void)snprintf(message, sizeof message, "they differ: the job asks for %s %s in %s, the printer has %s %s in %s",
                   asked->size, asked->type, asked->source,
                   current->size_name[0] ? current->size_name : "an unnamed size", current->type, current->source);
    return finish(outcome, PAPERCHK_IPP_DIFFERS, message);
  }
}
