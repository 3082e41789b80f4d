#include <cerrno>

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include "exchange/native_exchange_file.h"

namespace paperchk {

namespace {

class PosixExchangeFile final : public OpenExchangeFile {
 public:
  explicit PosixExchangeFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixExchangeFile() override { close(descriptor_); }
  PosixExchangeFile(const PosixExchangeFile&) = delete;
  PosixExchangeFile& operator=(const PosixExchangeFile&) = delete;

  // One read at offset 0, as the Windows side does; a short file gives fewer bytes.
  bool ReadAtStart(std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
    bytesRead = 0;
    ssize_t result;
    do {
      result = pread(descriptor_, buffer, size, 0);
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    bytesRead = static_cast<std::size_t>(result);
    return true;
  }

  bool WriteAtStart(const std::uint8_t* data, std::size_t size, std::size_t& bytesWritten) override {
    bytesWritten = 0;
    ssize_t result;
    do {
      result = pwrite(descriptor_, data, size, 0);
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    bytesWritten = static_cast<std::size_t>(result);
    return true;
  }

 private:
  int descriptor_;
};

class PosixExchangeFileSystem final : public ExchangeFileSystem {
 public:
  // Created when missing, kept (never truncated) when present.
  std::unique_ptr<OpenExchangeFile> OpenAlways(const char* path) override { return Open(path, O_CREAT); }
  std::unique_ptr<OpenExchangeFile> OpenExisting(const char* path) override { return Open(path, 0); }

 private:
  static std::unique_ptr<OpenExchangeFile> Open(const char* path, int creation) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    int descriptor;
    do {
      descriptor = open(path, O_RDWR | O_CLOEXEC | creation, 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return nullptr;
    return std::make_unique<PosixExchangeFile>(descriptor);
  }
};

}  // namespace

std::unique_ptr<ExchangeFileSystem> MakeNativeExchangeFileSystem() {
  return std::make_unique<PosixExchangeFileSystem>();
}

}  // namespace paperchk
