// The decisions' names and a driver's exclusive hold of the exchange file.
#include "desktop.h"

namespace paperchk_driver {

const wchar_t* DecisionName(std::uint32_t decision) {
  switch (decision) {
    case PAPERCHK_DECISION_RETRY: return L"Riprova";
    case PAPERCHK_DECISION_IGNORE: return L"Ignora";
    case PAPERCHK_DECISION_CANCEL_PRINTING: return L"Annulla";
    default: return L"?";
  }
}

ExclusiveHold::ExclusiveHold(const std::wstring& path) {
  handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
}

ExclusiveHold::~ExclusiveHold() { Release(); }

bool ExclusiveHold::WriteCompletionFlag(std::uint32_t flag) {
  if (!ok()) return false;
  std::uint8_t bytes[4];
  paperchk_record_put32(flag, bytes);
  DWORD written = 0;
  return SetFilePointer(handle_, PAPERCHK_COMPLETION_FLAG_OFFSET, nullptr, FILE_BEGIN) ==
             PAPERCHK_COMPLETION_FLAG_OFFSET &&
         WriteFile(handle_, bytes, sizeof bytes, &written, nullptr) && written == sizeof bytes;
}

void ExclusiveHold::Release() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace paperchk_driver
