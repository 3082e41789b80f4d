#include <windows.h>

#include "exchange/native_exchange_file.h"

namespace paperchk {

namespace {

class Win32ExchangeFile final : public OpenExchangeFile {
 public:
  explicit Win32ExchangeFile(HANDLE handle) : handle_(handle) {}
  ~Win32ExchangeFile() override { CloseHandle(handle_); }
  Win32ExchangeFile(const Win32ExchangeFile&) = delete;
  Win32ExchangeFile& operator=(const Win32ExchangeFile&) = delete;

  bool ReadAtStart(std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
    bytesRead = 0;
    if (size > MAXDWORD || !RewindToStart()) return false;
    DWORD transferred = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(size), &transferred, nullptr)) return false;
    bytesRead = transferred;
    return true;
  }

  bool WriteAtStart(const std::uint8_t* data, std::size_t size, std::size_t& bytesWritten) override {
    bytesWritten = 0;
    if (size > MAXDWORD || !RewindToStart()) return false;
    DWORD transferred = 0;
    if (!WriteFile(handle_, data, static_cast<DWORD>(size), &transferred, nullptr)) return false;
    bytesWritten = transferred;
    return true;
  }

 private:
  // A fresh handle already stands at 0; rewinding keeps a second access on
  // the same handle at the start too.
  bool RewindToStart() { return SetFilePointer(handle_, 0, nullptr, FILE_BEGIN) == 0; }

  HANDLE handle_;
};

class Win32ExchangeFileSystem final : public ExchangeFileSystem {
 public:
  std::unique_ptr<OpenExchangeFile> OpenAlways(const char* path) override { return Open(path, OPEN_ALWAYS); }
  std::unique_ptr<OpenExchangeFile> OpenExisting(const char* path) override { return Open(path, OPEN_EXISTING); }

 private:
  static std::unique_ptr<OpenExchangeFile> Open(const char* path, DWORD disposition) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    // Shared with the driver, which reads the decision and sets the flag
    // while the program may hold the file open.
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32ExchangeFile>(handle);
  }
};

}  // namespace

std::unique_ptr<ExchangeFileSystem> MakeNativeExchangeFileSystem() {
  return std::make_unique<Win32ExchangeFileSystem>();
}

}  // namespace paperchk
