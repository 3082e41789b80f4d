/* A C driver of its own, for the link check (c_link_check.sh): built once
 * without the library and once calling every entry point of it, with the C
 * compiler alone. It is compiled, never run. */
#include <stdio.h>

#ifndef PAPERCHK_BASELINE
#include "paperchk_client.h"
#ifdef PAPERCHK_WITH_IPP
#include "paperchk_ipp.h"
#endif

static int ReadPrinterAgain(void* context) {
  (void)context;
  return 1;
}

static int UseTheLibrary(const char* program) {
  paperchk_request request = {0};
  paperchk_launch_options options = {0};
  paperchk_launch_result result = {0};
  paperchk_error error = {0};
  char path[260] = "";
  char name[64] = "";
  char line[PAPERCHK_COMMAND_LINE_SIZE] = "";
  uint32_t decision = 0;
  int status = paperchk_make_exchange_path(path, sizeof path, &error);
  status |= paperchk_text_from_unicode(L"Printer", 0, PAPERCHK_FIELD_PRINTER_NAME, name, sizeof name, &error);
  request.printer_name = name;
  request.port = "LPT1:";
  request.item_count = 1;
  request.items[0].setting_name = 40002;
  request.exchange_path = path;
  options.reread_printer = ReadPrinterAgain;
#ifdef PAPERCHK_WITH_IPP
  {
    /* The report from the printer, and its re-read after "Riprova". */
    static paperchk_ipp_reread reread;
    paperchk_ipp_outcome outcome;
    reread.uri = program;
    reread.asked.size = "iso_a4_210x297mm";
    reread.asked.type = "stationery";
    reread.asked.source = "tray-1";
    status |= paperchk_ipp_read(program, &reread.asked, 0, &request, NULL, &outcome);
    options.reread_printer = paperchk_ipp_reread_printer;
    options.context = &reread;
  }
#endif
  status |= paperchk_build_command_line(program, &request, line, sizeof line, &error);
  status |= paperchk_prepare_exchange_file(path, 1, &error);
  status |= paperchk_read_decision(path, &decision, &error);
  status |= paperchk_write_completion_flag(path, &error);
  status |= paperchk_short_program_path(program, line, sizeof line, &error);
  status |= paperchk_launch_command_line(program, line, path, &options, &result);
  status |= paperchk_launch(program, &request, &options, &result);
  status |= paperchk_check_user_session(paperchk_system_platform(), &result.place, &error);
  printf("%s %s %u\n", line, result.error.message, (unsigned)decision);
  return status;
}
#endif

int main(int argc, char** argv) {
  printf("a driver with %d argument(s)\n", argc);
#ifndef PAPERCHK_BASELINE
  if (argc > 1) return UseTheLibrary(argv[1]);
#else
  (void)argv;
#endif
  return 0;
}
