#include "machine_facts.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "desktop.h"
#include "test_automation.h"

namespace selftest {
namespace {

namespace drv = paperchk_driver;

template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (handle == nullptr) handle = LoadLibraryW(module);
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

std::string ArchitectureName(unsigned machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "x86";
    case IMAGE_FILE_MACHINE_AMD64: return "x64";
    case 0xAA64: return "arm64";  // IMAGE_FILE_MACHINE_ARM64
    default: return "unknown";
  }
}

// IsWow64Process2 (Windows 10 1709 on) names both machines; before it, the
// native system information does.
bool Machines(unsigned& process, unsigned& native) {
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto isWow64Process2 = SystemFunction<IsWow64Process2Function>(L"kernel32.dll", "IsWow64Process2");
  USHORT processMachine = 0, nativeMachine = 0;
  if (isWow64Process2 != nullptr && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine)) {
    native = nativeMachine;
    process = processMachine == IMAGE_FILE_MACHINE_UNKNOWN ? nativeMachine : processMachine;
    return true;
  }
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  native = info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? IMAGE_FILE_MACHINE_AMD64
           : info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? IMAGE_FILE_MACHINE_I386
                                                                         : 0;
  process = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
  return true;
}

// The version the system itself reports (GetVersionEx answers what the
// program's manifest declares).
std::string WindowsVersion() {
  struct VersionInfo {
    ULONG size, major, minor, build;
    ULONG platform;  // cppcheck-suppress unusedStructMember ; part of the layout RtlGetVersion fills
    WCHAR servicePack[128];  // cppcheck-suppress unusedStructMember ; part of the layout RtlGetVersion fills
  };
  using RtlGetVersionFunction = LONG(WINAPI*)(VersionInfo*);
  const auto rtlGetVersion = SystemFunction<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion");
  VersionInfo info{};
  info.size = sizeof info;
  if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return "unknown";
  // Windows 11 still says 10.0; its builds start at 22000.
  const char* name = info.major == 10 && info.build >= 22000 ? "Windows 11"
                     : info.major == 10                      ? "Windows 10"
                                                             : "Windows";
  char text[128];
  std::snprintf(text, sizeof text, "%s (%lu.%lu build %lu)", name, info.major, info.minor, info.build);
  // The update revision (UBR) tells one month's build from another.
  DWORD revision = 0, size = sizeof revision;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"UBR", RRF_RT_REG_DWORD,
                   nullptr, &revision, &size) == ERROR_SUCCESS) {
    std::snprintf(text + std::strlen(text), sizeof text - std::strlen(text), ", revision %lu", revision);
  }
  return text;
}

std::string UiLanguage() {
  const LANGID language = GetUserDefaultUILanguage();
  const LCID locale = MAKELCID(language, SORT_DEFAULT);
  wchar_t code[16] = {}, country[16] = {};
  char text[64];
  if (GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, code, 16) > 0 &&
      GetLocaleInfoW(locale, LOCALE_SISO3166CTRYNAME, country, 16) > 0) {
    std::snprintf(text, sizeof text, "%s-%s (0x%04x)", drv::Utf8(code).c_str(), drv::Utf8(country).c_str(), language);
  } else {
    std::snprintf(text, sizeof text, "0x%04x", language);
  }
  return text;
}

std::string Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return std::to_string(dpi) + " (" + std::to_string(dpi * 100 / 96) + " %)";
}

std::string Session() {
  DWORD session = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return "unknown";
  return std::to_string(session) + (session == 0 ? " (the services' session)" : "");
}

std::string Wine() {
  using WineGetVersionFunction = const char*(CDECL*)();
  const auto version = SystemFunction<WineGetVersionFunction>(L"ntdll.dll", "wine_get_version");
  return version != nullptr ? std::string("yes, Wine ") + version() : "no";
}

}  // namespace

std::string MachineArchitecture() {
  unsigned process = 0, native = 0;
  Machines(process, native);
  return ArchitectureName(native);
}

std::string ProcessArchitecture() {
  unsigned process = 0, native = 0;
  Machines(process, native);
  return ArchitectureName(process);
}

std::vector<std::string> MachineFacts() {
  return {
      "windows: " + WindowsVersion(),
      "machine: " + MachineArchitecture() + ", this process: " + ProcessArchitecture(),
      "system code page: " + std::to_string(GetACP()),
      "user interface language: " + UiLanguage(),
      "dpi: " + Dpi(),
      "session: " + Session(),
      "under wine: " + Wine(),
  };
}

std::string WhyNoDesktop() {
  USEROBJECTFLAGS flags{};
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr ||
      !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) ||
      (flags.dwFlags & WSF_VISIBLE) == 0) {
    return "this process has no desktop a person sees (a service, or a session without a desktop)";
  }
  // The desktop that receives input is not ours: the workstation is locked,
  // or a secure desktop (a UAC prompt) is up.
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (input == nullptr) return "the workstation is locked or another desktop has the keyboard";
  CloseDesktop(input);
  return "";
}

}  // namespace selftest
