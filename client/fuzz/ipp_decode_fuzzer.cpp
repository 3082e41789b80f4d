// The IPP source's decoder and comparison on any bytes a printer may send:
// - the decoder ends on every input with one of its results, and what it
//   kept lies within the module's limits, every text terminated;
// - a decoded response compared with what a job asks either agrees (no
//   items), differs (one to three items, in the order path, size, media,
//   and a report the command-line builder accepts) or says why not (no
//   items), whatever the printer listed.
// Input: the bytes of an IPP response, as after the HTTP headers. The kept
// corpus (client/fuzz/ipp-corpus) holds real responses of ippeveprinter.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "client/paperchk_client.h"
#include "client/paperchk_ipp.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Terminated(const char* text, std::size_t size) { return std::memchr(text, '\0', size) != nullptr; }

void RequireWithinLimits(const paperchk_ipp_printer& printer) {
  Require(printer.loaded_count <= PAPERCHK_IPP_MAX_LOADED);
  Require(printer.ready_count <= PAPERCHK_IPP_MAX_LIST && printer.source_count <= PAPERCHK_IPP_MAX_LIST &&
          printer.reason_count <= PAPERCHK_IPP_MAX_LIST);
  Require(Terminated(printer.name, sizeof printer.name));
  for (std::size_t i = 0; i < printer.loaded_count; ++i) {
    const paperchk_ipp_media& media = printer.loaded[i];
    Require(Terminated(media.size_name, sizeof media.size_name) && Terminated(media.source, sizeof media.source) &&
            Terminated(media.type, sizeof media.type));
  }
  for (std::size_t i = 0; i < printer.ready_count; ++i) Require(Terminated(printer.ready[i], PAPERCHK_IPP_KEYWORD_SIZE));
  for (std::size_t i = 0; i < printer.source_count; ++i) Require(Terminated(printer.sources[i], PAPERCHK_IPP_KEYWORD_SIZE));
  for (std::size_t i = 0; i < printer.reason_count; ++i) Require(Terminated(printer.reasons[i], PAPERCHK_IPP_KEYWORD_SIZE));
}

void RequireSoundReport(const paperchk_ipp_asked& asked, const paperchk_ipp_printer& printer) {
  paperchk_request request{};
  paperchk_ipp_outcome outcome{};
  const int result = paperchk_ipp_compare(&asked, &printer, &request, &outcome);
  Require(result == outcome.result && Terminated(outcome.message, sizeof outcome.message) &&
          Terminated(outcome.unknown, sizeof outcome.unknown) && outcome.message[0] != '\0');
  if (result != PAPERCHK_IPP_DIFFERS) {
    Require(result == PAPERCHK_IPP_AGREE || result == PAPERCHK_IPP_ERROR_STATUS ||
            result == PAPERCHK_IPP_NO_LOADED_MEDIA);
    Require(request.item_count == 0 && request.paper_source == 0 && request.second_tray_shown == 0);
    return;
  }
  Require(request.item_count >= 1 && request.item_count <= PAPERCHK_MAX_ITEMS);
  for (std::size_t i = 1; i < request.item_count; ++i) {
    Require(request.items[i - 1].setting_name < request.items[i].setting_name);
  }
  Require(!request.second_tray_shown || request.item_count == 3);
  // The driver's fields: the printer's name as the spooler knows it (the
  // printer-name read is UTF-8 and may hold what the command line cannot carry).
  request.printer_name = "Printer";
  request.port = "127.0.0.1";
  request.exchange_path = "C:\\exchange.bin";
  char line[PAPERCHK_COMMAND_LINE_SIZE];
  paperchk_error error{};
  Require(paperchk_build_command_line("paperchk.exe", &request, line, sizeof line, &error) == PAPERCHK_OK);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  paperchk_ipp_printer printer;
  paperchk_ipp_outcome outcome;
  const int result = paperchk_ipp_decode(data, size, &printer, &outcome);
  Require(result == outcome.result && Terminated(outcome.message, sizeof outcome.message));
  if (result != PAPERCHK_IPP_AGREE) {
    Require(result == PAPERCHK_IPP_TRUNCATED || result == PAPERCHK_IPP_MALFORMED || result == PAPERCHK_IPP_OVER_LIMIT);
    Require(outcome.message[0] != '\0' && outcome.offset <= size);
    return 0;
  }
  RequireWithinLimits(printer);
  RequireSoundReport({"iso_a4_210x297mm", "stationery", "tray-1"}, printer);
  RequireSoundReport({"na_letter_8.5x11in", "photographic-glossy", "auto"}, printer);
  return 0;
}
