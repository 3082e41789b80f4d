// A driver team's C++ program: the same two-item report through the C
// interface, from C++ (the header's extern "C").
//   consumer_cpp.exe PAPERCHK_PATH EXCHANGE_PATH
#include <cstdio>

#include <paperchk_client.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: consumer_cpp PAPERCHK_PATH EXCHANGE_PATH\n");
    return 2;
  }
  std::printf("version: %s %s\n", PAPERCHK_VERSION, paperchk_client_version());

  paperchk_request request{};
  request.printer_name = "Stampante Ufficio 2";
  request.port = "LPT1:";
  request.item_count = 2;
  request.items[0] = {40001, 30002, 30005};
  request.items[1] = {40002, 50009, 256};
  request.paper_source = 30005;
  request.second_tray_shown = 1;
  request.other_tray_size = 768;
  request.other_tray_media = 20001;
  request.exchange_path = argv[2];

  paperchk_launch_options options{};
  options.create_exchange_file = 1;
  options.decision_timeout_ms = 60000;
  paperchk_launch_result result{};
  const int status = paperchk_launch(argv[1], &request, &options, &result);
  if (status != PAPERCHK_OK) {
    std::fprintf(stderr, "launch: status %d, ending %d, %s\n", status, result.ending, result.error.message);
    return 1;
  }
  std::printf("decision: %lu\n", static_cast<unsigned long>(result.decision));
  std::printf("ended: %s\n", result.exit_status_known && !result.terminated ? "yes" : "no");
  return 0;
}
