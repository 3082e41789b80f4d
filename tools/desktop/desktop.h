// What a driver-side tool needs to find paperchk's windows and act on them
// from the desktop: texts between UTF-16, UTF-8 and the system's code page,
// paths under Wine, waiting, reading another process's windows, pressing a
// button, the exchange path of a raw command line, an exclusive hold of the
// exchange file. The stand-in's unattended mode uses it; the end-to-end
// automation builds on it. Windows only.
//
// Texts of another process are read with the wide calls: under Wine the 8-bit
// ones hand back wide text across processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "client/paperchk_record.h"

namespace paperchk_driver {

// ---------------------------------------------------------------------------
// Texts and paths

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

bool FileExists(const std::wstring& path);

// ---------------------------------------------------------------------------
// Command line

// The exchange path a tail names, read with paperchk's own grammar (item
// word, runs of backslashes as one separator, the path up to the next space).
// Empty when the tail does not name one.
std::wstring ExchangePathOfTail(const std::wstring& tail);

// ---------------------------------------------------------------------------
// Exchange file

const wchar_t* DecisionName(std::uint32_t decision);  // "Riprova", "Ignora", "Annulla", "?"

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

}  // namespace paperchk_driver
