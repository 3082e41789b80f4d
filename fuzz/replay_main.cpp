// Runs a fuzz target once over every file of a directory, so that a kept
// corpus is replayed by ctest without libFuzzer:
//   parse_fuzzer_replay CORPUS_DIRECTORY  (session_fuzzer_replay likewise)
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " CORPUS_DIRECTORY\n";
    return 2;
  }
  std::error_code error;
  std::filesystem::directory_iterator files(argv[1], error);
  if (error) {
    std::cerr << argv[1] << ": " << error.message() << '\n';
    return 2;
  }
  std::size_t replayed = 0;
  for (const std::filesystem::directory_entry& entry : files) {
    if (!entry.is_regular_file()) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    if (!file.good() && !file.eof()) {
      std::cerr << entry.path() << ": cannot be read\n";
      return 2;
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++replayed;
  }
  // An empty corpus would make the test pass without checking anything.
  if (replayed == 0) {
    std::cerr << argv[1] << ": no corpus files\n";
    return 1;
  }
  std::cout << "replayed " << replayed << " files\n";
  return 0;
}
