#include "e2e_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace e2e {

std::wstring g_paperchkPath;
std::wstring g_standinPath;
std::wstring g_chmPath;

const wchar_t kTitle[] = L"Verifica carta";
const wchar_t kUpperMessageText[] =
    L"Alcune impostazioni sulla stampante non corrispondono alle impostazioni selezionate "
    L"nell'applicazione. Di seguito sono presentate le impostazioni difformi.";
const wchar_t kLowerMessageText[] =
    L"Tentate di modificare le impostazioni della stampante per farle corrispondere a quelle "
    L"dell'applicazione e fate clic su 'Riprova'. Se volete ignorare le impostazioni incompatibili, "
    L"fate clic su 'Ignora'. Per annullare la stampa fate clic su 'Annulla'";
const wchar_t kWaitMessageText[] =
    L"Attendere mentre la impostazioni carta vengono recuperate dalla stampante.";
const wchar_t kStartupErrorCaption[] = L"初期化エラー";
const wchar_t kStartupErrorText[] = L"パラメータを指定して下さい";

namespace {
std::unique_ptr<drv::RealInput>& InputSlot() {
  static std::unique_ptr<drv::RealInput> input;
  return input;
}
}  // namespace

drv::RealInput& Input() {
  if (!InputSlot()) InputSlot() = drv::MakeRealInput();
  return *InputSlot();
}

void SetInput(std::unique_ptr<drv::RealInput> input) { InputSlot() = std::move(input); }

bool TakePaths(int argc, char** argv, std::string& why) {
  const std::wstring here = drv::DirectoryOfThisProgram();
  g_paperchkPath = here + L"\\paperchk.exe";
  for (int i = 1; i < argc; ++i) {
    for (auto [prefix, path] : {std::pair{"--paperchk=", &g_paperchkPath}, {"--standin=", &g_standinPath},
                                {"--chm=", &g_chmPath}}) {
      const std::size_t length = std::strlen(prefix);
      if (std::strncmp(argv[i], prefix, length) == 0) *path = drv::ToWindowsPath(drv::Widen(argv[i] + length));
    }
  }
  // The build has the stand-in beside paperchk, the release beside the kit.
  if (g_standinPath.empty()) {
    const std::wstring besideProgram = g_paperchkPath.substr(0, g_paperchkPath.find_last_of(L'\\') + 1) + L"standin.exe";
    g_standinPath = drv::FileExists(besideProgram) ? besideProgram : here + L"\\standin.exe";
  }
  if (!drv::FileExists(g_paperchkPath)) {
    why = "paperchk not found: " + drv::Utf8(g_paperchkPath);
    return false;
  }
  return true;
}

Session::Session() : scratch_(L"paperchk-e2e") {
  exchangePath_ = scratch_.File(L"exchange.bin");
  helpViewersBefore_ = drv::ProcessIdsByName(kHelpViewer);
}

Session::~Session() {
  // Leave nothing running: the program, and any help viewer it started.
  process_.Kill();
  for (DWORD viewer : drv::ProcessIdsByName(kHelpViewer)) {
    if (std::find(helpViewersBefore_.begin(), helpViewersBefore_.end(), viewer) == helpViewersBefore_.end()) {
      drv::KillProcessId(viewer);
    }
  }
}

::testing::AssertionResult Session::StartWithCommandLine(const std::wstring& commandLine) {
  if (!scratch_.ok()) return ::testing::AssertionFailure() << "no scratch directory";
  std::wstring error;
  if (!process_.Start(commandLine, &error)) {
    return ::testing::AssertionFailure() << drv::Utf8(error) << " for " << drv::Utf8(commandLine);
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Session::StartWithTail(const std::wstring& tail) {
  return StartWithCommandLine(drv::BuildCommandLine(g_paperchkPath, tail));
}

::testing::AssertionResult Session::ClientTail(const paperchk_client::Request& request, std::wstring& tail) const {
  std::string why;
  const std::optional<std::wstring> built = drv::ClientTail(request, exchangePath_, &why);
  if (!built) return ::testing::AssertionFailure() << "the client library refuses the request: " << why;
  tail = *built;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Session::Start(const paperchk_client::Request& request) {
  std::wstring tail;
  const ::testing::AssertionResult built = ClientTail(request, tail);
  if (!built) return built;
  return StartWithTail(tail);
}

HWND Session::WaitForMainDialog(DWORD timeoutMs) {
  return drv::WaitForDialog(process_, timeoutMs, [](HWND window) {
    return drv::WindowText(window).rfind(kTitle, 0) == 0 && GetDlgItem(window, IDC_IGNORE) != nullptr;
  });
}

HWND Session::Open(const paperchk_client::Request& request) {
  const ::testing::AssertionResult started = Start(request);
  if (!started) {
    ADD_FAILURE() << started.message();
    return nullptr;
  }
  return WaitForMainDialog();
}

HWND Session::WaitForWaitBox(DWORD timeoutMs) {
  return drv::WaitForDialog(process_, timeoutMs,
                            [](HWND window) { return GetDlgItem(window, IDC_WAIT_MESSAGE) != nullptr; });
}

std::vector<HWND> Session::VisibleMessageBoxes(const std::wstring& caption) {
  std::vector<HWND> boxes;
  for (HWND window : drv::TopLevelWindows(process_.id(), drv::kDialogClass, true)) {
    if (drv::WindowText(window) == caption) boxes.push_back(window);
  }
  return boxes;
}

std::vector<std::wstring> Session::VisibleDialogCaptions() {
  std::vector<std::wstring> captions;
  for (HWND window : drv::TopLevelWindows(process_.id(), drv::kDialogClass, true)) {
    captions.push_back(drv::WindowText(window));
  }
  return captions;
}

HWND Session::WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs) {
  return drv::WaitForDialog(process_, timeoutMs,
                            [&](HWND window) { return drv::WindowText(window) == caption; });
}

::testing::AssertionResult Session::EndsWithStatusZero(DWORD timeoutMs) {
  if (!process_.WaitForExit(timeoutMs)) {
    return ::testing::AssertionFailure() << "paperchk still runs " << timeoutMs << " ms later";
  }
  const std::optional<DWORD> status = process_.ExitCode();
  if (!status || *status != 0) {
    return ::testing::AssertionFailure() << "exit status " << (status ? *status : 0xFFFFFFFFu) << ", expected 0";
  }
  return ::testing::AssertionSuccess();
}

paperchk_client::Request ThreeItemReport() { return *SampleRequest("three-item"); }

paperchk_client::Request WithItems(paperchk_client::Request request, std::size_t count) {
  request.items.resize(count);
  return request;
}

::testing::AssertionResult ReplaceOnce(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  const std::size_t at = text.find(from);
  if (at == std::wstring::npos || text.find(from, at + 1) != std::wstring::npos) {
    return ::testing::AssertionFailure() << "'" << drv::Utf8(from) << "' does not stand once in '"
                                         << drv::Utf8(text) << "'";
  }
  text.replace(at, from.size(), to);
  return ::testing::AssertionSuccess();
}

std::vector<std::wstring> CurrentTrayRows() {
  return {L"Vassoio carta (inferiore)", L"A3", L"Carta patinata lucida 720 dpi"};
}

std::vector<std::wstring> OtherTrayRows() {
  // Item 1's printer value is not 30002, so the other tray is the upper one.
  return {L"Vassoio carta  ", L"A4", L"Carta Comune"};
}

bool IsVisible(HWND window) { return IsWindow(window) && IsWindowVisible(window); }

::testing::AssertionResult StaysOpenAndUntouched(Session& session, HWND dialog) {
  Sleep(kSettleMs);
  if (!session.process().IsRunning()) return ::testing::AssertionFailure() << "paperchk has ended";
  if (!IsVisible(dialog)) return ::testing::AssertionFailure() << "the dialog is no longer visible";
  if (drv::FileExists(session.exchangePath())) {
    return ::testing::AssertionFailure() << "the exchange file was written";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult CentredOnTheWorkArea(HWND window) {
  RECT rect, work;
  if (!GetWindowRect(window, &rect)) return ::testing::AssertionFailure() << "no window";
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return ::testing::AssertionFailure() << "no work area";
  // Twice the offset of the two centres.
  const LONG dx = (rect.left + rect.right) - (work.left + work.right);
  const LONG dy = (rect.top + rect.bottom) - (work.top + work.bottom);
  if (std::abs(dx) > 2 || std::abs(dy) > 2) {
    return ::testing::AssertionFailure() << "window at " << rect.left << "," << rect.top << "-" << rect.right << ","
                                         << rect.bottom << ", work area " << work.left << "," << work.top << "-"
                                         << work.right << "," << work.bottom;
  }
  return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> RecordBytes(std::uint32_t decision, std::uint32_t flag) {
  return drv::EncodeRecord({decision, flag});
}

}  // namespace e2e
