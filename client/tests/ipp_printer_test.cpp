// The IPP source against real IPP Everywhere printers (ippeveprinter on the
// loopback interface, started by ipp_printers.sh, which names them in the
// environment): the report made from what they have loaded, and the re-read
// after "Riprova" against a printer that was reloaded meanwhile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "client/paperchk_client.h"
#include "client/paperchk_ipp.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

const paperchk_ipp_asked kA4PlainUpperTray{"iso_a4_210x297mm", "stationery", "tray-1"};

TEST(IppPrinter, GlossyA3LoadedWhereA4PlainIsAskedGivesTheItemsAndTrays) {
  const std::string uri = Environment("PAPERCHK_IPP_A3_URI");
  ASSERT_FALSE(uri.empty()) << "run through ipp_printers.sh";
  paperchk_request request{};
  paperchk_ipp_printer printer{};
  paperchk_ipp_outcome outcome{};
  ASSERT_EQ(paperchk_ipp_read(uri.c_str(), &kA4PlainUpperTray, 0, &request, &printer, &outcome), PAPERCHK_IPP_DIFFERS)
      << outcome.message;
  std::printf("printer '%s', status 0x%04X, %zu loaded:\n", printer.name, printer.ipp_status, printer.loaded_count);
  for (std::size_t i = 0; i < printer.loaded_count; ++i) {
    const paperchk_ipp_media& media = printer.loaded[i];
    std::printf("  %s: %s (%d x %d) %s\n", media.source, media.size_name, media.x_dimension, media.y_dimension,
                media.type);
  }
  std::printf("report: %s\n", outcome.message);
  for (std::size_t i = 0; i < request.item_count; ++i) {
    std::printf("  item %zu: %u %u %u\n", i + 1, request.items[i].setting_name, request.items[i].application_value,
                request.items[i].printer_value);
  }
  std::printf("  source %u, second tray %d: %u %u\n", request.paper_source, request.second_tray_shown,
              request.other_tray_size, request.other_tray_media);

  EXPECT_STREQ(printer.reasons[0], "none");
  EXPECT_EQ(printer.source_count, 3u);
  EXPECT_EQ(printer.ready_count, 2u);
  EXPECT_STREQ(printer.name, "paperchk-a3");
  // The upper tray is the one asked for: its size and media differ; the
  // lower tray's A4 is on offer in the tray selector, so all three rows go.
  ASSERT_EQ(request.item_count, 3u);
  EXPECT_EQ(request.items[0].setting_name, 40001u);
  EXPECT_EQ(request.items[0].application_value, 30002u);
  EXPECT_EQ(request.items[0].printer_value, 30002u);
  EXPECT_EQ(request.items[1].setting_name, 40002u);
  EXPECT_EQ(request.items[1].application_value, 50009u);  // A4, as the job asks
  EXPECT_EQ(request.items[1].printer_value, 256u);        // A3
  EXPECT_EQ(request.items[2].setting_name, 40003u);
  EXPECT_EQ(request.items[2].application_value, 20001u);  // Carta Comune
  EXPECT_EQ(request.items[2].printer_value, 20005u);      // glossy
  EXPECT_EQ(request.paper_source, 30002u);
  EXPECT_EQ(request.second_tray_shown, 1);
  EXPECT_EQ(request.other_tray_size, 768u);
  EXPECT_EQ(request.other_tray_media, 20001u);
  EXPECT_STREQ(outcome.unknown, "");

  // The driver's fields added, the report travels.
  request.printer_name = printer.name;
  request.port = "127.0.0.1";
  request.exchange_path = "C:\\exchange.bin";
  char line[PAPERCHK_COMMAND_LINE_SIZE];
  paperchk_error error{};
  ASSERT_EQ(paperchk_build_command_line("paperchk.exe", &request, line, sizeof line, &error), PAPERCHK_OK)
      << error.message;
  std::printf("command line: %s\n", line);
}

TEST(IppPrinter, A4PlainLoadedAgreesAndTheRereadSeesTheReloadedPrinter) {
  const std::string loaded_a4 = Environment("PAPERCHK_IPP_A4_URI");
  const std::string reloaded = Environment("PAPERCHK_IPP_A3_URI");
  const std::string swap = Environment("PAPERCHK_IPP_SWAP");
  ASSERT_FALSE(loaded_a4.empty() || reloaded.empty() || swap.empty()) << "run through ipp_printers.sh";
  paperchk_request request{};
  paperchk_ipp_outcome outcome{};
  ASSERT_EQ(paperchk_ipp_read(loaded_a4.c_str(), &kA4PlainUpperTray, 0, &request, nullptr, &outcome),
            PAPERCHK_IPP_AGREE)
      << outcome.message;
  EXPECT_EQ(request.item_count, 0u);  // nothing to launch
  std::printf("%s\n", outcome.message);

  // The callback as the launcher calls it: first against the glossy A3, then
  // once the printer is loaded with A4 (ended and started again on its port).
  paperchk_ipp_reread reread{};
  reread.uri = reloaded.c_str();
  reread.asked = kA4PlainUpperTray;
  EXPECT_EQ(paperchk_ipp_reread_printer(&reread), 0);
  EXPECT_EQ(reread.outcome.result, PAPERCHK_IPP_DIFFERS);
  // NOLINTNEXTLINE(cert-env33-c): the script is ipp_printers.sh's own, named by it
  ASSERT_EQ(std::system(swap.c_str()), 0);
  // The printer takes a moment to listen again: until then it is unreachable.
  int reads = 0;
  while (paperchk_ipp_reread_printer(&reread) == 0 && reread.outcome.result == PAPERCHK_IPP_UNREACHABLE &&
         ++reads < 200) {
    struct timespec tenth{0, 100000000};
    nanosleep(&tenth, nullptr);
  }
  EXPECT_EQ(reread.outcome.result, PAPERCHK_IPP_AGREE) << reread.outcome.message;
  EXPECT_EQ(reread.request_after.item_count, 0u);
}

}  // namespace
