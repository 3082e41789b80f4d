/* A printer driver's use of paperchk, in C: describe the mismatch, let the
 * launcher start paperchk, read the printer again after "Riprova", and act on
 * the user's decision.
 *
 *   driver_example.exe PAPERCHK_PATH [EXCHANGE_PATH]
 */
#include <stdio.h>

#include "paperchk_client.h"

/* The driver's own work after "Riprova": query the printer's trays again. */
static int ReadPrinterAgain(void* context) {
  int* reads = (int*)context;
  ++*reads;
  return 1; /* success */
}

int main(int argc, char** argv) {
  paperchk_request request = {0};
  paperchk_launch_options options = {0};
  paperchk_launch_result result = {0};
  paperchk_error error = {0};
  char made_path[260] = "";
  const char* exchange_path = made_path;
  int reads = 0;
  int status;

  if (argc != 2 && argc != 3) {
    (void)fprintf(stderr, "usage: %s PAPERCHK_PATH [EXCHANGE_PATH]\n", argv[0]);
    return 2;
  }
  if (argc == 3) {
    exchange_path = argv[2];
  } else if (paperchk_make_exchange_path(made_path, sizeof made_path, &error) != PAPERCHK_OK) {
    /* A unique file in the user's temporary folder, with no space in its path. */
    (void)fprintf(stderr, "no exchange file: %s\n", error.message);
    return 1;
  }

  /* The job wants the upper tray with plain A4; the printer has the lower
   * tray selected, loaded with glossy A3, and its upper tray holds A4. */
  request.printer_name = "Stampante Ufficio 2";
  request.port = "\\\\printserver01\\laser2"; /* as the spooler names it */
  request.item_count = 3;
  request.items[0].setting_name = 40001; /* Percorso carta */
  request.items[0].application_value = 30002;
  request.items[0].printer_value = 30005;
  request.items[1].setting_name = 40002; /* Formato carta */
  request.items[1].application_value = 50009;
  request.items[1].printer_value = 256;
  request.items[2].setting_name = 40003; /* Tipo supporto */
  request.items[2].application_value = 20001;
  request.items[2].printer_value = 20005;
  request.paper_source = 30005;
  request.second_tray_shown = 1;
  request.other_tray_size = 768;
  request.other_tray_media = 20001;
  request.exchange_path = exchange_path;

  options.reread_printer = ReadPrinterAgain;
  options.context = &reads;
  options.create_exchange_file = 1;
  options.keep_exchange_file = 0; /* the launcher removes it at the end */
  options.end_timeout_ms = 10000;

  status = paperchk_launch(argv[1], &request, &options, &result);
  /* The ending first: PAPERCHK_DECIDED is a decision to act on, whatever
   * else went wrong after it (PAPERCHK_NOT_ENDED: paperchk had to be ended;
   * PAPERCHK_FILE_ERROR after "Riprova": the completion flag not written). */
  if (result.ending != PAPERCHK_DECIDED) {
    /* No decision: print as without paperchk, and log why. The error names
     * the field and rule, the session or context found, or the system's code. */
    (void)fprintf(stderr, "no decision (status %d, ending %d): %s\n", status, result.ending,
                  result.error.message[0] != '\0' ? result.error.message : "paperchk ended without one");
    return 1;
  }
  if (status != PAPERCHK_OK) {
    (void)fprintf(stderr, "after the decision (status %d): %s\n", status, result.error.message);
  }

  switch (result.decision) {
    case 1: /* Riprova: the printer was read again; check the job once more */
      printf("retry: printer read %d time(s), completion flag %s\n", reads,
             result.completion_flag_written ? "written" : "not written");
      break;
    case 2: /* Ignora: print with the printer's settings */
      printf("ignore: printing as the printer is set\n");
      break;
    case 3: /* Annulla: cancel the job */
      printf("cancel printing\n");
      break;
    default:
      break;
  }
  if (result.exit_status_known) printf("paperchk ended with status %lu\n", (unsigned long)result.exit_status);
  return 0;
}
