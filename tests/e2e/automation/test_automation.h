// Test automation of paperchk for the end-to-end tests (and the stand-in's
// unattended mode): writes command lines as they stand (also ones the client
// library would refuse), starts the program, finds and reads its windows,
// acts on them (messages or real keyboard and mouse input) and looks into the
// exchange file. What a real driver needs is the client library (client/);
// the completion flag is written with it.
// Windows only.
//
// Texts of another process are read with the wide calls: under Wine the 8-bit
// ones hand back wide text across processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/paperchk_record.h"

namespace paperchk_driver {

// ---------------------------------------------------------------------------
// Command line

struct ReportItem {
  std::wstring settingName;       // code, e.g. L"40001"
  std::wstring applicationValue;  // code, e.g. L"50009"
  std::wstring printerValue;      // code, e.g. L"768"
};

// What the test tells paperchk. Every field but the printer name is passed
// as it stands, unchecked; the printer name is enclosed in double quotes.
struct SampleReport {
  std::wstring printerName;
  std::wstring port;  // a network path goes with commas for its backslashes
  std::vector<ReportItem> items;  // 1 to 3
  std::wstring paperSource;
  std::wstring twoTrayFlag;
  std::wstring otherTraySize;
  std::wstring otherTrayMedia;
};

// The stand-in's samples (tools/sample_requests.cpp, the one table of them)
// as text: "three-item" (the default), "two-item", "one-item", "manual-feed",
// "auto-select", "unknown-source", "network-port".
// Returns nothing for an unknown name.
std::optional<SampleReport> NamedSample(const std::wstring& name);
std::vector<std::wstring> SampleNames();

// "1_Item", "2_Item" or "3_Item".
std::wstring ItemCountWord(std::size_t itemCount);

// Port for the command line: backslashes become commas (the command line
// cannot carry a backslash inside a field).
std::wstring PortForCommandLine(const std::wstring& port);

// Everything after the program path: item-count word, the backslash fields,
// the exchange path. Example for three items:
//   3_Item "Name"\port\n1\a1\p1\n2\a2\p2\n3\a3\p3\source\twotray\size\media\C:\x.bin
std::wstring CommandLineTail(const SampleReport& report, const std::wstring& exchangePath);

// Program path, one space, tail. A program path with a space in it is turned
// into its short form, since paperchk takes the first space as the end of it.
std::wstring BuildCommandLine(const std::wstring& programPath, const std::wstring& tail);

// The exchange path a tail names, read with paperchk's own grammar (item
// word, runs of backslashes as one separator, the path up to the next space).
// Empty when the tail does not name one.
std::wstring ExchangePathOfTail(const std::wstring& tail);

// ---------------------------------------------------------------------------
// Files and paths

// A fresh, empty directory under the temporary folder; removed (with its
// files) when the object goes away.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::wstring& prefix);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Names of the files in it (not "." and "..").
  std::vector<std::wstring> List() const;

 private:
  std::wstring path_;
};

bool FileExists(const std::wstring& path);
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

// Unix path -> Windows path under Wine (input that is already a Windows path
// comes back unchanged). The directory of the running program otherwise.
std::wstring ToWindowsPath(const std::wstring& path);
std::wstring DirectoryOfThisProgram();

std::wstring Widen(const std::string& text);   // UTF-8 -> UTF-16
std::string Utf8(const std::wstring& text);    // UTF-16 -> UTF-8
// UTF-16 <-> the system's 8-bit code page, in which paperchk and the client
// library take their texts.
std::string Ansi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

// ---------------------------------------------------------------------------
// Exchange file (8 bytes: decision, completion flag, 32-bit little-endian)

enum Decision : std::uint32_t {
  kRetry = PAPERCHK_DECISION_RETRY,
  kIgnore = PAPERCHK_DECISION_IGNORE,
  kCancelPrinting = PAPERCHK_DECISION_CANCEL_PRINTING,
};
const wchar_t* DecisionName(std::uint32_t decision);  // "Riprova", "Ignora", "Annulla", "?"

struct ExchangeRecord {
  std::uint32_t decision = 0;
  std::uint32_t completionFlag = 0;
};

std::vector<std::uint8_t> EncodeRecord(const ExchangeRecord& record);
// Needs at least 8 bytes.
std::optional<ExchangeRecord> DecodeRecord(const std::vector<std::uint8_t>& bytes);

// Creates (or overwrites) the file with the record's 8 bytes.
bool CreateExchangeFile(const std::wstring& path, const ExchangeRecord& record = {});
// Reads the first 8 bytes; nothing when the file is missing or shorter, or
// cannot be opened at the moment.
std::optional<ExchangeRecord> ReadExchangeRecord(const std::wstring& path);
// Writes the completion flag at offset 4, sharing the file the way paperchk
// does, leaving every other byte alone (the client library's operation).
bool WriteCompletionFlag(const std::wstring& path, std::uint32_t flag);

// Holds a file open without sharing it, so that nobody else can open it.
class ExclusiveHold {
 public:
  explicit ExclusiveHold(const std::wstring& path);
  ~ExclusiveHold();
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Writes the completion flag at offset 4 through the hold, as a driver
  // that keeps others out while it writes.
  bool WriteCompletionFlag(std::uint32_t flag);
  void Release();

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// ---------------------------------------------------------------------------
// The program's process

class ProgramProcess {
 public:
  ProgramProcess() = default;
  ~ProgramProcess();  // ends the process if it still runs
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  // CreateProcessW with the command line as given. On failure `error` says why.
  bool Start(const std::wstring& commandLine, std::wstring* error = nullptr);
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  bool started() const { return process_ != nullptr; }

  bool IsRunning() const;
  // True when the process has ended within the time.
  bool WaitForExit(DWORD timeoutMs) const;
  std::optional<DWORD> ExitCode() const;  // nothing while it runs
  // Ends it (TerminateProcess) if it still runs and waits for the end.
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Ids of the running processes whose program file is called `exeName`
// (compared without regard to case, e.g. L"winhlp32.exe").
std::vector<DWORD> ProcessIdsByName(const wchar_t* exeName);
// Ends one process by id and waits up to `timeoutMs` for its end.
bool KillProcessId(DWORD processId, DWORD timeoutMs = 5000);

// ---------------------------------------------------------------------------
// Waiting

// Calls `condition` every `stepMs` until it holds or the time is over.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 20);
// Milliseconds from a steady clock.
double NowMs();

// ---------------------------------------------------------------------------
// Windows of another process

constexpr const wchar_t kDialogClass[] = L"#32770";

std::wstring ClassNameOf(HWND window);
DWORD ProcessOf(HWND window);
// Top-level windows of the process; with `className` only that class; with
// `visibleOnly` only visible ones.
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, bool visibleOnly);
// Waits for a visible top-level dialog (#32770) of the process that
// `accept` takes (any when null). Null when the time is over or the process
// has ended.
HWND WaitForDialog(const ProgramProcess& process, DWORD timeoutMs,
                   const std::function<bool(HWND)>& accept = nullptr);

// WM_GETTEXT (wide), with a time limit so a blocked program cannot hang us.
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
// Texts of all child windows of a dialog, in z order (message boxes).
std::vector<std::wstring> ChildTexts(HWND dialog, const wchar_t* className = nullptr);

// List box rows (LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT).
std::vector<std::wstring> ListRows(HWND dialog, int listId);
// Combo box entries (CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT) and selection.
std::vector<std::wstring> ComboEntries(HWND dialog, int comboId);
int ComboSelection(HWND dialog, int comboId);

// The keyboard focus of the window's thread (GetGUIThreadInfo); null if none.
HWND KeyboardFocus(HWND windowOfThread);
// The control id of the focused control, or -1.
int FocusedControlId(HWND dialog);
// True while the window's thread runs a keyboard or mouse move/size loop.
bool InMoveOrSize(HWND windowOfThread);

// ---------------------------------------------------------------------------
// Acting through messages

// Posts BM_CLICK: a decision may run a modal loop in the program, so we do
// not wait for the click to be handled.
bool ClickButton(HWND dialog, int buttonId);
// CB_SETCURSEL then the selection-change notification to the dialog, as the
// combo box itself sends it.
bool ChooseComboEntry(HWND dialog, int comboId, int index);

// ---------------------------------------------------------------------------
// Real keyboard and mouse input

enum class Key { Tab, ShiftTab, Escape, Return, Down, Up, AltF4, AltSpace };

class RealInput {
 public:
  virtual ~RealInput() = default;
  virtual const char* name() const = 0;
  virtual bool Press(Key key) = 0;
  // A letter or digit key (menu mnemonics), without modifiers.
  virtual bool PressCharacter(char character) = 0;
  // Left click at a screen point.
  virtual bool ClickAt(int x, int y) = 0;
};

// Under Wine with xdotool on the Unix side: keys and clicks go through the X
// server like a person's (xdotool started as a Unix program). Otherwise, or
// when PAPERCHK_INPUT=sendinput is set, SendInput.
std::unique_ptr<RealInput> MakeRealInput();
std::unique_ptr<RealInput> MakeSendInput();
// Nothing when xdotool cannot be used here.
std::unique_ptr<RealInput> MakeXdotoolInput();

bool ClickWindowCentre(RealInput& input, HWND window);
// Brings the dialog to the foreground and gives it the keyboard (a click on
// its caption, which a person would do too), then checks it is active.
bool ActivateByClick(RealInput& input, HWND dialog);

bool RunningUnderWine();

}  // namespace paperchk_driver
