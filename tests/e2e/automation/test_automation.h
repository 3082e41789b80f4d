// Test automation of paperchk for the end-to-end tests, on the stand-in's
// own desktop helpers (tools/desktop/desktop.h): builds command lines with
// the client library (or takes them as they stand, also ones the library
// would refuse), starts the program, finds and reads its windows,
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

#include "client/paperchk_client.hpp"
#include "client/paperchk_record.h"
#include "desktop.h"
// The stand-in's samples (SampleRequest), which tests start the program with
// or change field by field.
#include "sample_requests.h"

namespace paperchk_driver {

// ---------------------------------------------------------------------------
// Command line

// Everything after the program path, as the client library builds it for
// the request with this exchange path (a Windows path, put into the system's
// code page as a driver does), widened for CreateProcessW: the program gets
// the library's bytes. Nothing, with the library's reason in `why`, when the
// library refuses the request or the path.
std::optional<std::wstring> ClientTail(paperchk_client::Request request, const std::wstring& exchangePath,
                                       std::string* why = nullptr);

// Program path, one space, tail (the client library's, or one as it stands:
// a line the library would refuse). A program path with a space in it is
// turned into its short form, since paperchk takes the first space as the
// end of it.
std::wstring BuildCommandLine(const std::wstring& programPath, const std::wstring& tail);

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

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes);


// ---------------------------------------------------------------------------
// Exchange file (8 bytes: decision, completion flag, 32-bit little-endian)

enum Decision : std::uint32_t {
  kRetry = PAPERCHK_DECISION_RETRY,
  kIgnore = PAPERCHK_DECISION_IGNORE,
  kCancelPrinting = PAPERCHK_DECISION_CANCEL_PRINTING,
};

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
// Waiting (and desktop.h)

// Waits for a visible top-level dialog (#32770) of the process that
// `accept` takes (any when null). Null when the time is over or the process
// has ended.
HWND WaitForDialog(const ProgramProcess& process, DWORD timeoutMs,
                   const std::function<bool(HWND)>& accept = nullptr);

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
