#include "test_automation.h"

#include <memory>

#include "automation_internal.h"
#include "client/paperchk_client.hpp"

namespace paperchk_driver {

namespace {

void RemoveTree(const std::wstring& directory) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = directory + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(directory.c_str());
}


}  // namespace

// ---------------------------------------------------------------------------
// Files and paths

ScratchDirectory::ScratchDirectory(const std::wstring& prefix) {
  static unsigned counter = 0;
  const std::wstring base = internal::TempDirectory();
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const std::wstring candidate = base + L"\\" + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) +
                                   L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
  }
}

ScratchDirectory::~ScratchDirectory() {
  if (!path_.empty()) RemoveTree(path_);
}

std::vector<std::wstring> ScratchDirectory::List() const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}


std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr)) && got > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                              nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  return ok;
}





// ---------------------------------------------------------------------------
// Exchange file


std::vector<std::uint8_t> EncodeRecord(const ExchangeRecord& record) {
  std::vector<std::uint8_t> bytes(PAPERCHK_RECORD_SIZE);
  paperchk_record_put32(record.decision, bytes.data() + PAPERCHK_DECISION_OFFSET);
  paperchk_record_put32(record.completionFlag, bytes.data() + PAPERCHK_COMPLETION_FLAG_OFFSET);
  return bytes;
}

std::optional<ExchangeRecord> DecodeRecord(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < PAPERCHK_RECORD_SIZE) return std::nullopt;
  ExchangeRecord record;
  record.decision = paperchk_record_get32(bytes.data() + PAPERCHK_DECISION_OFFSET);
  record.completionFlag = paperchk_record_get32(bytes.data() + PAPERCHK_COMPLETION_FLAG_OFFSET);
  return record;
}

bool CreateExchangeFile(const std::wstring& path, const ExchangeRecord& record) {
  return WriteWholeFile(path, EncodeRecord(record));
}

std::optional<ExchangeRecord> ReadExchangeRecord(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::uint8_t> bytes(PAPERCHK_RECORD_SIZE);
  DWORD got = 0;
  const bool ok = ReadFile(file, bytes.data(), PAPERCHK_RECORD_SIZE, &got, nullptr) && got == PAPERCHK_RECORD_SIZE;
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return DecodeRecord(bytes);
}

// The driver's own operation, from the client library: the tests use what a
// driver would.
bool WriteCompletionFlag(const std::wstring& path, std::uint32_t flag) {
  const std::unique_ptr<paperchk_client::ProtocolFileSystem> files = paperchk_client::MakeNativeProtocolFileSystem();
  return paperchk_client::WriteCompletionFlag(*files, Ansi(path).c_str(), flag);
}






}  // namespace paperchk_driver
