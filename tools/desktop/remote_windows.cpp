#include "desktop.h"

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

}  // namespace

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


}  // namespace paperchk_driver
