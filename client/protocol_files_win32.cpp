#include <windows.h>

#include "client/protocol_files.h"

namespace paperchk_client {

namespace {

constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;

class Win32ProtocolFile final : public ProtocolFile {
 public:
  explicit Win32ProtocolFile(HANDLE handle) : handle_(handle) {}
  ~Win32ProtocolFile() override { CloseHandle(handle_); }
  Win32ProtocolFile(const Win32ProtocolFile&) = delete;
  Win32ProtocolFile& operator=(const Win32ProtocolFile&) = delete;

  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
    bytesRead = 0;
    if (size > MAXDWORD || !Seek(offset)) return false;
    DWORD transferred = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(size), &transferred, nullptr)) return false;
    bytesRead = transferred;
    return true;
  }

  bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size,
               std::size_t& bytesWritten) override {
    bytesWritten = 0;
    if (size > MAXDWORD || !Seek(offset)) return false;
    DWORD transferred = 0;
    if (!WriteFile(handle_, data, static_cast<DWORD>(size), &transferred, nullptr)) return false;
    bytesWritten = transferred;
    return true;
  }

 private:
  bool Seek(std::uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN) != 0;
  }

  HANDLE handle_;
};

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

class Win32ProtocolFileSystem final : public ProtocolFileSystem {
 public:
  std::unique_ptr<ProtocolFile> Open(const char* path, OpenMode mode, FileStatus& status) override {
    status = FileStatus::Failed;
    if (path == nullptr || path[0] == '\0') return nullptr;
    const DWORD disposition = mode == OpenMode::CreateEmpty ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, kShared, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (IsMissing(GetLastError())) status = FileStatus::Missing;
      return nullptr;
    }
    status = FileStatus::Done;
    return std::make_unique<Win32ProtocolFile>(handle);
  }

  FileStatus Remove(const char* path) override {
    if (path == nullptr || path[0] == '\0') return FileStatus::Failed;
    if (DeleteFileA(path)) return FileStatus::Done;
    return IsMissing(GetLastError()) ? FileStatus::Missing : FileStatus::Failed;
  }
};

}  // namespace

std::unique_ptr<ProtocolFileSystem> MakeNativeProtocolFileSystem() {
  return std::make_unique<Win32ProtocolFileSystem>();
}

}  // namespace paperchk_client
