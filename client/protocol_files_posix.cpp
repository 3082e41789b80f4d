#include <cerrno>

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include "client/protocol_files.h"

namespace paperchk_client {

namespace {

class PosixProtocolFile final : public ProtocolFile {
 public:
  explicit PosixProtocolFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixProtocolFile() override { close(descriptor_); }
  PosixProtocolFile(const PosixProtocolFile&) = delete;
  PosixProtocolFile& operator=(const PosixProtocolFile&) = delete;

  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
    bytesRead = 0;
    ssize_t result = -1;
    do {
      result = pread(descriptor_, buffer, size, static_cast<off_t>(offset));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    bytesRead = static_cast<std::size_t>(result);
    return true;
  }

  bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size,
               std::size_t& bytesWritten) override {
    bytesWritten = 0;
    ssize_t result = -1;
    do {
      result = pwrite(descriptor_, data, size, static_cast<off_t>(offset));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return false;
    bytesWritten = static_cast<std::size_t>(result);
    return true;
  }

 private:
  int descriptor_;
};

class PosixProtocolFileSystem final : public ProtocolFileSystem {
 public:
  std::unique_ptr<ProtocolFile> Open(const char* path, OpenMode mode, FileStatus& status) override {
    status = FileStatus::Failed;
    if (path == nullptr || path[0] == '\0') return nullptr;
    const int flags = O_RDWR | O_CLOEXEC | (mode == OpenMode::CreateEmpty ? O_CREAT | O_TRUNC : 0);
    int descriptor = -1;
    do {
      descriptor = open(path, flags, 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
      if (errno == ENOENT) status = FileStatus::Missing;
      return nullptr;
    }
    status = FileStatus::Done;
    return std::make_unique<PosixProtocolFile>(descriptor);
  }

  FileStatus Remove(const char* path) override {
    if (path == nullptr || path[0] == '\0') return FileStatus::Failed;
    if (unlink(path) == 0) return FileStatus::Done;
    return errno == ENOENT ? FileStatus::Missing : FileStatus::Failed;
  }
};

}  // namespace

std::unique_ptr<ProtocolFileSystem> MakeNativeProtocolFileSystem() {
  return std::make_unique<PosixProtocolFileSystem>();
}

}  // namespace paperchk_client
