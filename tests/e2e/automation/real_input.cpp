#include "test_automation.h"

#include <cstdio>
#include <cstdlib>

#include "automation_internal.h"

namespace paperchk_driver {

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
    // Wine hands back no handles for a Unix program: the fields hold values
    // left on its stack, and closing them could close one of ours (a held
    // exchange file, say). They are left alone.
    std::optional<std::vector<std::uint8_t>> status;
    WaitUntil(
        [&] {
          status = ReadWholeFile(markerWindows_);
          return status && !status->empty() && status->back() == '\n';
        },
        10000, 10);
    if (GetEnvironmentVariableA("PAPERCHK_INPUT_TRACE", nullptr, 0) > 0) {
      std::fprintf(stderr, "xdotool %s: %s after %.0f ms\n", arguments.c_str(), status ? "done" : "no answer",
                   NowMs() - started);
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
  const std::wstring marker = internal::TempDirectory() + L"\\paperchk-xdotool-" + std::to_wstring(GetCurrentProcessId()) +
                              L".status";
  const std::optional<std::string> markerUnix = internal::UnixPathOf(marker);
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
