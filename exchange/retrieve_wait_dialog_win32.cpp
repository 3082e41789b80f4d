#include "exchange/retrieve_wait_dialog_win32.h"

#include "exchange/file_error_box_win32.h"
#include "resources/resource_ids.h"

namespace paperchk::win {

namespace {

#ifdef PAPERCHK_BENCH_UNWATCHED
// The benchmark's second build of the program: the wait as it was before the
// folder was watched, for the side-by-side figures. The product never has it.
constexpr bool kWatchFolder = false;
#else
constexpr bool kWatchFolder = true;
#endif

// The folder to watch, or null.
const char* WatchedFolder(const char* exchangePath, char (&folder)[kExchangePathSize]) {
  return kWatchFolder && FolderOfExchangeFile(exchangePath, folder, sizeof folder) ? folder : nullptr;
}

// Milliseconds on the performance counter. (The frequency is asked each
// time: a function-local static would bring in the C++ library's guard.)
std::uint64_t NowMs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
  if (perSecond == 0) return 0;
  return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

}  // namespace

RetrieveWaitDialog::RetrieveWaitDialog(ExchangeChannel& channel, const TextCatalogue& catalogue)
    : MappedDialog(IDD_RETRIEVE_WAIT),
      catalogue_(catalogue),
      folder_(),
      notification_(WatchedFolder(channel.path(), folder_)),
      watch_(channel, *this, notification_.ok() ? &notification_ : nullptr) {}

BOOL RetrieveWaitDialog::OnInitDialog() {
  SetTimer(hwnd_, ID_POLL_TIMER, POLL_PERIOD_MS, nullptr);
  const TextBuffer message = Text(catalogue_, kTextWaitMessage);
  SetItemText(IDC_WAIT_MESSAGE, message.c_str());
  // The box has no title bar: its window text is only what a screen reader
  // announces for it, so it is the message too.
  SetText(message.c_str());
  return TRUE;
}

INT_PTR RetrieveWaitDialog::OnTick() {
  FileErrorBox errors(hwnd_);
  if (watch_.OnTick(errors)) ExitProcess(0);
  return TRUE;
}

void RetrieveWaitDialog::Stop() { KillTimer(hwnd_, ID_POLL_TIMER); }

HANDLE RetrieveWaitDialog::WaitHandle() { return watch_.AwaitsChange() ? notification_.handle() : nullptr; }

DWORD RetrieveWaitDialog::MsUntilDeadline() {
  const std::uint64_t ms = watch_.MsUntilDeadline(NowMs());
  return ms >= INFINITE ? INFINITE : static_cast<DWORD>(ms);
}

void RetrieveWaitDialog::OnSignalled() {
  if (watch_.OnChange(NowMs())) ExitProcess(0);
}

void RetrieveWaitDialog::OnDeadline() {
  if (watch_.OnDeadline(NowMs())) ExitProcess(0);
}

}  // namespace paperchk::win
