// A driver team's C++ program: the same two-item report through the
// header-only C++ layer over the C library.
//   consumer_cpp.exe PAPERCHK_PATH EXCHANGE_PATH
#include <cstdio>

#include <paperchk_client.hpp>

namespace client = paperchk_client;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: consumer_cpp PAPERCHK_PATH EXCHANGE_PATH\n");
    return 2;
  }
  std::printf("version: %s %s\n", PAPERCHK_CLIENT_VERSION, paperchk_client_version());

  client::Request request;
  request.printerName = "Stampante Ufficio 2";
  request.port = "LPT1:";
  request.items = {{40001, 30002, 30005}, {40002, 50009, 256}};
  request.paperSource = 30005;
  request.secondTrayShown = true;
  request.otherTraySize = 768;
  request.otherTrayMedia = 20001;
  request.exchangePath = argv[2];

  client::LaunchOptions options;
  options.decisionTimeoutMs = 60000;
  const client::LaunchResult result = client::Launch(argv[1], request, options);
  if (result.ending != client::LaunchEnding::Decided) {
    std::fprintf(stderr, "launch: ending %d, %s\n", static_cast<int>(result.ending),
                 client::Describe(result.error).c_str());
    return 1;
  }
  std::printf("decision: %lu\n", static_cast<unsigned long>(result.decision));
  std::printf("ended: %s\n", result.exitStatusKnown && !result.terminated ? "yes" : "no");
  return 0;
}
