#include "driver_lib.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace paperchk_driver {

namespace {

constexpr UINT kMessageTimeoutMs = 5000;

// SendMessageTimeoutW that gives up when the program is blocked.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           kMessageTimeoutMs, &answer)) {
    return false;
  }
  result = static_cast<LRESULT>(answer);
  return true;
}

std::wstring TrimTrailingNul(std::wstring text) {
  const auto end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

// Wine's path converters (kernel32 exports them only under Wine).
using UnixToDos = WCHAR* (CDECL*)(const char*);
using DosToUnix = char* (CDECL*)(const WCHAR*);

UnixToDos WineUnixToDos() {
  return reinterpret_cast<UnixToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
}

DosToUnix WineDosToUnix() {
  return reinterpret_cast<DosToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::optional<std::string> UnixPathOf(const std::wstring& windowsPath) {
  const DosToUnix convert = WineDosToUnix();
  if (!convert) return std::nullopt;
  char* unixPath = convert(windowsPath.c_str());
  if (!unixPath) return std::nullopt;
  std::string result(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

std::wstring TempDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring path(buffer, length <= MAX_PATH ? length : 0);
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

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

SampleReport ThreeItemSample() {
  SampleReport report;
  report.printerName = L"Stampante Ufficio 2";
  report.port = L"LPT1:";
  // The job asks for the upper tray, A4 and plain paper; the printer has
  // the lower tray selected, loaded with glossy A3.
  report.items = {
      {L"40001", L"30002", L"30005"},  // Percorso carta: Vassoio carta / (inferiore)
      {L"40002", L"50009", L"256"},    // Formato carta: A4 / A3
      {L"40003", L"20001", L"20005"},  // Tipo supporto: Carta Comune / patinata
  };
  report.paperSource = L"30005";    // current tray: the lower one
  report.twoTrayFlag = L"1";
  report.otherTraySize = L"768";    // the upper tray holds A4 ...
  report.otherTrayMedia = L"20001"; // ... plain paper
  return report;
}

}  // namespace

// ---------------------------------------------------------------------------
// Command line

std::vector<std::wstring> SampleNames() {
  return {L"three-item", L"two-item",       L"one-item",    L"manual-feed",
          L"auto-select", L"unknown-source", L"network-port"};
}

std::optional<SampleReport> NamedSample(const std::wstring& name) {
  SampleReport report = ThreeItemSample();
  if (name == L"three-item") return report;
  if (name == L"two-item") {
    report.items.resize(2);
    return report;
  }
  if (name == L"one-item") {
    report.items.resize(1);
    return report;
  }
  if (name == L"manual-feed") {
    report.items[0].printerValue = L"30004";
    report.paperSource = L"30004";
    return report;
  }
  if (name == L"auto-select") {
    report.items[0].printerValue = L"30006";
    report.paperSource = L"30006";
    report.twoTrayFlag = L"0";
    return report;
  }
  if (name == L"unknown-source") {
    report.paperSource = L"30999";
    return report;
  }
  if (name == L"network-port") {
    report.port = L"\\\\printserver01\\office-laser-2";
    return report;
  }
  return std::nullopt;
}

std::wstring ItemCountWord(std::size_t itemCount) {
  return std::to_wstring(itemCount) + L"_Item";
}

std::wstring PortForCommandLine(const std::wstring& port) {
  std::wstring result = port;
  std::replace(result.begin(), result.end(), L'\\', L',');
  return result;
}

std::wstring CommandLineTail(const SampleReport& report, const std::wstring& exchangePath) {
  std::wstring tail = ItemCountWord(report.items.size()) + L" ";
  tail += L"\"" + report.printerName + L"\"";
  tail += L"\\" + PortForCommandLine(report.port);
  for (const ReportItem& item : report.items) {
    tail += L"\\" + item.settingName + L"\\" + item.applicationValue + L"\\" + item.printerValue;
  }
  tail += L"\\" + report.paperSource + L"\\" + report.twoTrayFlag + L"\\" + report.otherTraySize +
          L"\\" + report.otherTrayMedia + L"\\" + exchangePath;
  return tail;
}

std::wstring BuildCommandLine(const std::wstring& programPath, const std::wstring& tail) {
  std::wstring program = programPath;
  if (program.find(L' ') != std::wstring::npos) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(program.c_str(), shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) program = shortPath;
  }
  return program + L" " + tail;
}

std::wstring ExchangePathOfTail(const std::wstring& tail) {
  const std::size_t wordEnd = tail.find(L' ');
  if (wordEnd == std::wstring::npos) return L"";
  const std::wstring word = tail.substr(0, wordEnd);
  std::size_t fieldCount = 0;
  for (std::size_t items = 1; items <= 3; ++items) {
    if (_wcsicmp(word.c_str(), ItemCountWord(items).c_str()) == 0) fieldCount = 6 + 3 * items;
  }
  if (fieldCount == 0) return L"";
  std::size_t position = wordEnd + 1;
  while (position < tail.size() && tail[position] == L' ') ++position;
  for (std::size_t field = 0; field < fieldCount; ++field) {
    while (position < tail.size() && tail[position] == L'\\') ++position;
    const std::size_t end = tail.find(L'\\', position);
    if (end == std::wstring::npos) return L"";
    position = end;
  }
  while (position < tail.size() && tail[position] == L'\\') ++position;
  while (position < tail.size() && tail[position] == L' ') ++position;
  const std::size_t end = tail.find(L' ', position);
  return tail.substr(position, end == std::wstring::npos ? std::wstring::npos : end - position);
}

// ---------------------------------------------------------------------------
// Files and paths

ScratchDirectory::ScratchDirectory(const std::wstring& prefix) {
  static unsigned counter = 0;
  const std::wstring stem = TempDirectory() + L"\\" + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const std::wstring candidate = stem + std::to_wstring(++counter);
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

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

std::wstring ToWindowsPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  const UnixToDos convert = WineUnixToDos();
  if (!convert) return path;
  const std::string unixPath = Utf8(path);
  WCHAR* dosPath = convert(unixPath.c_str());
  if (!dosPath) return path;
  std::wstring result(dosPath);
  HeapFree(GetProcessHeap(), 0, dosPath);
  // Wine may answer with \\?\unix\... for places outside its drives.
  return result;
}

std::wstring DirectoryOfThisProgram() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, length < MAX_PATH ? length : 0);
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return L"";
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
  return result;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                      nullptr);
  return result;
}

// ---------------------------------------------------------------------------
// Exchange file

const wchar_t* DecisionName(std::uint32_t decision) {
  switch (decision) {
    case kRetry: return L"Riprova";
    case kIgnore: return L"Ignora";
    case kCancelPrinting: return L"Annulla";
    default: return L"?";
  }
}

std::vector<std::uint8_t> EncodeRecord(const ExchangeRecord& record) {
  std::vector<std::uint8_t> bytes(8);
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<std::uint8_t>(record.decision >> (8 * i));
    bytes[4 + i] = static_cast<std::uint8_t>(record.completionFlag >> (8 * i));
  }
  return bytes;
}

std::optional<ExchangeRecord> DecodeRecord(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 8) return std::nullopt;
  ExchangeRecord record;
  for (int i = 0; i < 4; ++i) {
    record.decision |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    record.completionFlag |= static_cast<std::uint32_t>(bytes[4 + i]) << (8 * i);
  }
  return record;
}

bool CreateExchangeFile(const std::wstring& path, const ExchangeRecord& record) {
  return WriteWholeFile(path, EncodeRecord(record));
}

std::optional<ExchangeRecord> ReadExchangeRecord(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::uint8_t> bytes(8);
  DWORD got = 0;
  const bool ok = ReadFile(file, bytes.data(), 8, &got, nullptr) && got == 8;
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return DecodeRecord(bytes);
}

bool WriteCompletionFlag(const std::wstring& path, std::uint32_t flag) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(flag >> (8 * i));
  DWORD written = 0;
  const bool ok = SetFilePointer(file, 4, nullptr, FILE_BEGIN) == 4 &&
                  WriteFile(file, bytes, sizeof bytes, &written, nullptr) && written == sizeof bytes;
  CloseHandle(file);
  return ok;
}

ExclusiveHold::ExclusiveHold(const std::wstring& path) {
  handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
}

ExclusiveHold::~ExclusiveHold() { Release(); }

void ExclusiveHold::Release() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

// ---------------------------------------------------------------------------
// Process

ProgramProcess::~ProgramProcess() {
  Kill();
  if (process_) CloseHandle(process_);
}

bool ProgramProcess::Start(const std::wstring& commandLine, std::wstring* error) {
  if (process_) {
    if (error) *error = L"already started";
    return false;
  }
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    if (error) *error = L"CreateProcessW failed, error " + std::to_wstring(GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool ProgramProcess::IsRunning() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ProgramProcess::WaitForExit(DWORD timeoutMs) const {
  return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> ProgramProcess::ExitCode() const {
  if (!process_ || IsRunning()) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

void ProgramProcess::Kill() {
  if (IsRunning()) {
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 5000);
  }
}

std::vector<DWORD> ProcessIdsByName(const wchar_t* exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  if (Process32FirstW(snapshot, &entry)) {
    do {
      if (_wcsicmp(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    } while (Process32NextW(snapshot, &entry));
  }
  CloseHandle(snapshot);
  return ids;
}

bool KillProcessId(DWORD processId, DWORD timeoutMs) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  TerminateProcess(process, 0xDEAD);
  const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// ---------------------------------------------------------------------------
// Waiting

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
  const double deadline = NowMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (NowMs() >= deadline) return false;
    Sleep(stepMs);
  }
}

// ---------------------------------------------------------------------------
// Windows of another process

std::wstring ClassNameOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

DWORD ProcessOf(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId;
}

namespace {

struct WindowSearch {
  DWORD processId;
  const wchar_t* className;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevelWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  if (ProcessOf(window) != search.processId) return TRUE;
  if (search.visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (search.className && ClassNameOf(window) != search.className) return TRUE;
  search.found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, bool visibleOnly) {
  WindowSearch search{processId, className, visibleOnly, {}};
  EnumWindows(CollectTopLevelWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForDialog(const ProgramProcess& process, DWORD timeoutMs, const std::function<bool(HWND)>& accept) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(process.id(), kDialogClass, true)) {
          if (!accept || accept(window)) {
            found = window;
            return true;
          }
        }
        return !process.IsRunning();
      },
      timeoutMs);
  return found;
}

std::wstring WindowText(HWND window) {
  LRESULT length = 0;
  if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, length) || length < 0) return L"";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), copied)) {
    return L"";
  }
  return TrimTrailingNul(text);
}

std::wstring ControlText(HWND dialog, int controlId) {
  HWND control = GetDlgItem(dialog, controlId);
  return control ? WindowText(control) : L"";
}

std::vector<std::wstring> ChildTexts(HWND dialog, const wchar_t* className) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (className && ClassNameOf(child) != className) continue;
    texts.push_back(WindowText(child));
  }
  return texts;
}

namespace {

// The item texts of a list box or a combo box: the same three questions under
// the control kind's own message numbers.
std::vector<std::wstring> ItemTexts(HWND control, UINT getCount, UINT getTextLength, UINT getText) {
  std::vector<std::wstring> texts;
  LRESULT count = 0;
  if (!control || !SendWithTimeout(control, getCount, 0, 0, count) || count < 0) return texts;
  for (LRESULT item = 0; item < count; ++item) {
    LRESULT length = 0;
    if (!SendWithTimeout(control, getTextLength, item, 0, length) || length < 0) length = 0;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendWithTimeout(control, getText, item, reinterpret_cast<LPARAM>(text.data()), copied)) text.clear();
    texts.push_back(TrimTrailingNul(text));
  }
  return texts;
}

}  // namespace

std::vector<std::wstring> ListRows(HWND dialog, int listId) {
  return ItemTexts(GetDlgItem(dialog, listId), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::wstring> ComboEntries(HWND dialog, int comboId) {
  return ItemTexts(GetDlgItem(dialog, comboId), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ComboSelection(HWND dialog, int comboId) {
  HWND combo = GetDlgItem(dialog, comboId);
  LRESULT selection = CB_ERR;
  if (!combo || !SendWithTimeout(combo, CB_GETCURSEL, 0, 0, selection)) return CB_ERR;
  return static_cast<int>(selection);
}

HWND KeyboardFocus(HWND windowOfThread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(windowOfThread, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool InMoveOrSize(HWND windowOfThread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(windowOfThread, nullptr), &info)) return false;
  return (info.flags & GUI_INMOVESIZE) != 0;
}

int FocusedControlId(HWND dialog) {
  HWND focus = KeyboardFocus(dialog);
  if (!focus || GetParent(focus) != dialog) return -1;
  return GetDlgCtrlID(focus);
}

// ---------------------------------------------------------------------------
// Acting through messages

bool ClickButton(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool ChooseComboEntry(HWND dialog, int comboId, int index) {
  HWND combo = GetDlgItem(dialog, comboId);
  LRESULT result = 0;
  if (!combo || !SendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, result) ||
      result != index) {
    return false;
  }
  return SendWithTimeout(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo),
                         result);
}

// ---------------------------------------------------------------------------
// Real input

bool RunningUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

namespace {

class SendInputDriver final : public RealInput {
 public:
  const char* name() const override { return "SendInput"; }

  bool Press(Key key) override {
    std::vector<WORD> modifiers;
    WORD main = 0;
    switch (key) {
      case Key::Tab: main = VK_TAB; break;
      case Key::ShiftTab: modifiers = {VK_SHIFT}; main = VK_TAB; break;
      case Key::Escape: main = VK_ESCAPE; break;
      case Key::Return: main = VK_RETURN; break;
      case Key::Down: main = VK_DOWN; break;
      case Key::Up: main = VK_UP; break;
      case Key::AltF4: modifiers = {VK_MENU}; main = VK_F4; break;
      case Key::AltSpace: modifiers = {VK_MENU}; main = VK_SPACE; break;
    }
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, bool up) {
      INPUT input = {};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = vk;
      input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
      input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      if (vk == VK_DOWN || vk == VK_UP) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
      inputs.push_back(input);
    };
    for (WORD vk : modifiers) add(vk, false);
    add(main, false);
    add(main, true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) add(*it, true);
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
  }

  bool PressCharacter(char character) override {
    const SHORT scan = VkKeyScanA(character);
    if (scan == -1 || (scan & 0xFF00)) return false;
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = static_cast<WORD>(scan & 0xFF);
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
  }

  bool ClickAt(int x, int y) override {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 1 || height <= 1) return false;
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
      input.type = INPUT_MOUSE;
      input.mi.dx = static_cast<LONG>((x * 65535LL) / (width - 1));
      input.mi.dy = static_cast<LONG>((y * 65535LL) / (height - 1));
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(3, inputs, sizeof(INPUT)) == 3;
  }
};

// xdotool is a Unix program: Wine starts it when asked for its Unix path, but
// the handle it returns cannot be waited on, so the shell that runs it leaves
// a marker file when it is done.
class XdotoolDriver final : public RealInput {
 public:
  XdotoolDriver(std::wstring shell, std::wstring markerWindows, std::string markerUnix)
      : shell_(std::move(shell)), markerWindows_(std::move(markerWindows)), markerUnix_(std::move(markerUnix)) {}
  ~XdotoolDriver() override { DeleteFileW(markerWindows_.c_str()); }

  const char* name() const override { return "xdotool"; }

  bool Press(Key key) override {
    const char* names = "";
    switch (key) {
      case Key::Tab: names = "Tab"; break;
      case Key::ShiftTab: names = "shift+Tab"; break;
      case Key::Escape: names = "Escape"; break;
      case Key::Return: names = "Return"; break;
      case Key::Down: names = "Down"; break;
      case Key::Up: names = "Up"; break;
      case Key::AltF4: names = "alt+F4"; break;
      case Key::AltSpace: names = "alt+space"; break;
    }
    return Run(std::string("key --clearmodifiers ") + names);
  }

  bool PressCharacter(char character) override {
    const bool plain = (character >= 'a' && character <= 'z') || (character >= '0' && character <= '9');
    return plain && Run(std::string("key --clearmodifiers ") + character);
  }

  bool ClickAt(int x, int y) override {
    return Run("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  }

  bool Run(const std::string& arguments) {
    const double started = NowMs();
    DeleteFileW(markerWindows_.c_str());
    const std::string script = "xdotool " + arguments + " >/dev/null 2>&1; echo $? > '" + markerUnix_ + "'";
    std::wstring commandLine = shell_ + L" -c \"" + Widen(script) + L"\"";
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return false;
    }
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    std::optional<std::vector<std::uint8_t>> status;
    WaitUntil(
        [&] {
          status = ReadWholeFile(markerWindows_);
          return status && !status->empty() && status->back() == '\n';
        },
        10000, 10);
    if (GetEnvironmentVariableA("PAPERCHK_INPUT_TRACE", nullptr, 0) > 0) {
      (void)std::fprintf(stderr, "xdotool %s: %s after %.0f ms\n", arguments.c_str(),
                         status ? "done" : "no answer", NowMs() - started);
    }
    return status && !status->empty() && (*status)[0] == '0';
  }

 private:
  std::wstring shell_;
  std::wstring markerWindows_;
  std::string markerUnix_;
};

}  // namespace

std::unique_ptr<RealInput> MakeSendInput() { return std::make_unique<SendInputDriver>(); }

std::unique_ptr<RealInput> MakeXdotoolInput() {
  if (!RunningUnderWine()) return nullptr;
  const std::wstring shell = ToWindowsPath(L"/bin/sh");
  const std::wstring xdotool = ToWindowsPath(L"/usr/bin/xdotool");
  if (shell.empty() || shell[0] == L'/' || !FileExists(shell) || !FileExists(xdotool)) return nullptr;
  const std::wstring marker = TempDirectory() + L"\\paperchk-xdotool-" + std::to_wstring(GetCurrentProcessId()) +
                              L".status";
  const std::optional<std::string> markerUnix = UnixPathOf(marker);
  if (!markerUnix || markerUnix->find('\'') != std::string::npos) return nullptr;
  auto driver = std::make_unique<XdotoolDriver>(shell, marker, *markerUnix);
  // The X display must answer too.
  if (!driver->Run("getmouselocation")) return nullptr;
  return driver;
}

std::unique_ptr<RealInput> MakeRealInput() {
  char choice[32] = {};
  const DWORD length = GetEnvironmentVariableA("PAPERCHK_INPUT", choice, sizeof choice);
  const bool sendInputAsked = length > 0 && length < sizeof choice && _stricmp(choice, "sendinput") == 0;
  if (!sendInputAsked) {
    if (auto xdotool = MakeXdotoolInput()) return xdotool;
  }
  return MakeSendInput();
}

bool ClickWindowCentre(RealInput& input, HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  return input.ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

bool ActivateByClick(RealInput& input, HWND dialog) {
  // A point of the client area that no control covers: the dialog's own
  // background, a few pixels in from its top-left corner.
  POINT point = {3, 3};
  if (!ClientToScreen(dialog, &point)) return false;
  if (!input.ClickAt(point.x, point.y)) return false;
  return WaitUntil([&] { return GetForegroundWindow() == dialog; }, 3000);
}

}  // namespace paperchk_driver
