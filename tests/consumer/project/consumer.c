/* A driver team's C program: a two-item report, paperchk started by the
 * launcher, the decision printed.
 *   consumer_c.exe PAPERCHK_PATH EXCHANGE_PATH
 * Prints "version: MACRO FUNCTION", "decision: N" and "ended: yes|no";
 * exits 0 when a decision came and paperchk ended by itself. */
#include <stdio.h>

#include <paperchk_client.h>

int main(int argc, char** argv) {
  paperchk_request request = {0};
  paperchk_launch_options options = {0};
  paperchk_launch_result result = {0};
  int status;

  if (argc != 3) {
    (void)fprintf(stderr, "usage: consumer_c PAPERCHK_PATH EXCHANGE_PATH\n");
    return 2;
  }
  printf("version: %s %s\n", PAPERCHK_CLIENT_VERSION, paperchk_client_version());

  /* The job wants the upper tray with A4; the printer has the lower tray. */
  request.printer_name = "Stampante Ufficio 2";
  request.port = "LPT1:";
  request.item_count = 2;
  request.items[0].setting_name = 40001;
  request.items[0].application_value = 30002;
  request.items[0].printer_value = 30005;
  request.items[1].setting_name = 40002;
  request.items[1].application_value = 50009;
  request.items[1].printer_value = 256;
  request.paper_source = 30005;
  request.second_tray_shown = 1;
  request.other_tray_size = 768;
  request.other_tray_media = 20001;
  request.exchange_path = argv[2];
  options.create_exchange_file = 1;
  options.decision_timeout_ms = 60000;

  status = paperchk_launch(argv[1], &request, &options, &result);
  if (status != PAPERCHK_OK || result.ending != PAPERCHK_DECIDED) {
    (void)fprintf(stderr, "launch: status %d, ending %d, %s\n", status, result.ending, result.error.message);
    return 1;
  }
  printf("decision: %lu\n", (unsigned long)result.decision);
  printf("ended: %s\n", result.exit_status_known && !result.terminated ? "yes" : "no");
  return 0;
}
