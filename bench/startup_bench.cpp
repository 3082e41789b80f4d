// Measures the work the dialog does before it is first shown: copying and
// parsing the command line and working out every text the dialog shows.
// Prints the mean time per start-up.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "dialog/paper_check_logic.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"

namespace {

// The characters of the title, the port, the rows and the tray entries,
// summed so that the work cannot be left out as unused.
std::size_t CharactersShown(const paperchk::PaperCheckView& view) {
  std::size_t characters = view.title.size() + view.portFirstLine.size() + view.portSecondLine.size();
  for (const paperchk::ColumnRows* column : {&view.settings, &view.applicationValues, &view.printerValues}) {
    for (int row = 0; row < column->count; ++row) characters += column->rows[row].size();
  }
  for (int entry = 0; entry < view.trays.count; ++entry) characters += view.trays.entries[entry].size();
  return characters;
}

constexpr char kCommandLine[] =
    "C:\\Windows\\System32\\spool\\drivers\\w32x86\\2\\paperchk.exe 3_Item \"Stampante ufficio\"\\,,server,coda\\"
    "40001\\30002\\30005\\40002\\50009\\768\\40003\\20001\\20004\\30005\\1\\256\\20002\\"
    "C:\\Temp\\paperchk-exchange.bin";

// The number of runs: the first argument, or 100000; 0 when the argument is
// not a positive number (the mean divides by it).
int RunCountOf(int argc, char** argv) {
  if (argc < 2) return 100000;
  char* end = nullptr;
  const long value = std::strtol(argv[1], &end, 10);
  const bool number = end != argv[1] && *end == '\0';
  return number && value > 0 && value <= INT_MAX ? static_cast<int>(value) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = RunCountOf(argc, argv);
  if (iterations == 0) {
    (void)std::fprintf(stderr, "usage: paperchk_bench [RUNS], RUNS a positive number\n");
    return 2;
  }
  const paperchk::BuiltInTextCatalogue catalogue;
  std::size_t sink = 0;

  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < iterations; ++i) {
    static char buffer[paperchk::kCommandLineSize];
    static paperchk::MismatchReport report;
    paperchk::PaperCheckState state;
    if (!paperchk::CopyCommandLine(kCommandLine, buffer) || !paperchk::ParseCommandLine(buffer, report)) {
      (void)std::fprintf(stderr, "sample command line refused\n");
      return 1;
    }
    sink += CharactersShown(paperchk::ViewPaperCheck(report, catalogue, state));
  }
  const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;

  std::printf("start-up logic: %.2f us per run over %d runs (%zu characters written)\n", elapsed.count() / iterations,
              iterations, sink / static_cast<std::size_t>(iterations));
  return 0;
}
