// The C++ face of the client library, header only, over the C functions of
// paperchk_client.h: std::string requests (a NUL in one is refused, not cut),
// the file interface as a class to derive from, std::function callbacks.
// A C++ driver includes this header and compiles the library's .c files like
// a C driver; nothing here needs exceptions or run-time type information.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "paperchk_client.h"
#include "paperchk_counted.h"

namespace paperchk_client {

constexpr std::size_t kMaxTokenLength = PAPERCHK_MAX_TOKEN_LENGTH;
constexpr std::size_t kMaxPrinterNameLength = PAPERCHK_MAX_PRINTER_NAME_LENGTH;
constexpr std::size_t kMaxPortLength = PAPERCHK_MAX_PORT_LENGTH;
constexpr std::size_t kMaxExchangePathLength = PAPERCHK_MAX_EXCHANGE_PATH_LENGTH;
constexpr std::size_t kMaxProgramPathLength = PAPERCHK_MAX_PROGRAM_PATH_LENGTH;
constexpr std::size_t kMaxCommandLineLength = PAPERCHK_MAX_COMMAND_LINE_LENGTH;
constexpr std::size_t kMaxItems = PAPERCHK_MAX_ITEMS;
constexpr std::uint32_t kMaxCode = PAPERCHK_MAX_CODE;

// One mismatching setting: three catalogue numbers.
struct RequestItem {
  std::uint32_t settingName = 0;       // column 1, e.g. 40002 "Formato carta"
  std::uint32_t applicationValue = 0;  // column 2, what the job asks for
  std::uint32_t printerValue = 0;      // column 3, what the printer has
};

// What the driver wants paperchk to show, as the driver knows it.
struct Request {
  std::string printerName;  // shown in the title; the builder adds the quotes
  // The port as the driver knows it; a network port with its backslashes,
  // e.g. \\server\queue (it travels with commas).
  std::string port;
  std::vector<RequestItem> items;  // 1 to 3
  std::uint32_t paperSource = 0;   // the printer's current paper source
  bool secondTrayShown = false;    // the tray selector may offer the other tray
  std::uint32_t otherTraySize = 0;
  std::uint32_t otherTrayMedia = 0;
  std::string exchangePath;  // no spaces; may hold backslashes
  // The texts' code page, which paperchk reads them in: 0, the system's, for
  // a real run; tests name one.
  unsigned codePage = 0;
};

// The C enumerations (paperchk_client.h says what each means).
enum class Field : int {
  None = PAPERCHK_FIELD_NONE,
  ProgramPath = PAPERCHK_FIELD_PROGRAM_PATH,
  PrinterName = PAPERCHK_FIELD_PRINTER_NAME,
  Port = PAPERCHK_FIELD_PORT,
  Items = PAPERCHK_FIELD_ITEMS,
  SettingName = PAPERCHK_FIELD_SETTING_NAME,
  ApplicationValue = PAPERCHK_FIELD_APPLICATION_VALUE,
  PrinterValue = PAPERCHK_FIELD_PRINTER_VALUE,
  PaperSource = PAPERCHK_FIELD_PAPER_SOURCE,
  OtherTraySize = PAPERCHK_FIELD_OTHER_TRAY_SIZE,
  OtherTrayMedia = PAPERCHK_FIELD_OTHER_TRAY_MEDIA,
  ExchangePath = PAPERCHK_FIELD_EXCHANGE_PATH,
  CommandLine = PAPERCHK_FIELD_COMMAND_LINE,
  Request = PAPERCHK_FIELD_REQUEST,
  Buffer = PAPERCHK_FIELD_BUFFER,
  Decision = PAPERCHK_FIELD_DECISION,
  Result = PAPERCHK_FIELD_RESULT,
  Files = PAPERCHK_FIELD_FILES,
  Session = PAPERCHK_FIELD_SESSION,
  ExecutionContext = PAPERCHK_FIELD_EXECUTION_CONTEXT,
  DecisionTimeout = PAPERCHK_FIELD_DECISION_TIMEOUT,
  EndTimeout = PAPERCHK_FIELD_END_TIMEOUT,
  PollInterval = PAPERCHK_FIELD_POLL_INTERVAL,
  Platform = PAPERCHK_FIELD_PLATFORM,
  Process = PAPERCHK_FIELD_PROCESS,
};

enum class Rule : int {
  None = PAPERCHK_RULE_NONE,
  Empty = PAPERCHK_RULE_EMPTY,
  TooLong = PAPERCHK_RULE_TOO_LONG,
  Nul = PAPERCHK_RULE_NUL,
  Backslash = PAPERCHK_RULE_BACKSLASH,
  PrinterConnection = PAPERCHK_RULE_PRINTER_CONNECTION,
  Space = PAPERCHK_RULE_SPACE,
  NotNetworkPath = PAPERCHK_RULE_NOT_NETWORK_PATH,
  MisreadAsNetworkPath = PAPERCHK_RULE_MISREAD_AS_NETWORK_PATH,
  CommaInNetworkPath = PAPERCHK_RULE_COMMA_IN_NETWORK_PATH,
  ItemCount = PAPERCHK_RULE_ITEM_COUNT,
  CodeOutOfRange = PAPERCHK_RULE_CODE_OUT_OF_RANGE,
  BufferTooSmall = PAPERCHK_RULE_BUFFER_TOO_SMALL,
  Null = PAPERCHK_RULE_NULL,
  SystemFailure = PAPERCHK_RULE_SYSTEM_FAILURE,
  UnexpectedValue = PAPERCHK_RULE_UNEXPECTED_VALUE,
  NoUser = PAPERCHK_RULE_NO_USER,
  OutOfRange = PAPERCHK_RULE_OUT_OF_RANGE,
  InUse = PAPERCHK_RULE_IN_USE,
  NotADiskFile = PAPERCHK_RULE_NOT_A_DISK_FILE,
  BrokenCharacter = PAPERCHK_RULE_BROKEN_CHARACTER,
  NotInCodePage = PAPERCHK_RULE_NOT_IN_CODE_PAGE,
  TimedOut = PAPERCHK_RULE_TIMED_OUT,
  EndedWithoutDecision = PAPERCHK_RULE_ENDED_WITHOUT_DECISION,
  NotRemoved = PAPERCHK_RULE_NOT_REMOVED,
};

// Why a request was refused (or a file failed). `item` counts from 1 for the
// item fields.
struct BuildError {
  Field field = Field::None;
  Rule rule = Rule::None;
  std::size_t limit = 0;
  std::size_t item = 0;
  std::uint32_t systemError = 0;

  bool ok() const { return rule == Rule::None; }
};

namespace detail {

inline paperchk_text Text(const std::string& text) { return paperchk_text{text.data(), text.size()}; }

inline BuildError FromC(const paperchk_error& error) {
  BuildError converted;
  converted.field = static_cast<Field>(error.field);
  converted.rule = static_cast<Rule>(error.rule);
  converted.limit = error.limit;
  converted.item = error.item;
  converted.systemError = error.system_error;
  return converted;
}

inline BuildError Build(paperchk_text programPath, const Request& request, std::string& line) {
  line.clear();
  std::vector<paperchk_item> items;
  for (const RequestItem& item : request.items) {
    items.push_back(paperchk_item{item.settingName, item.applicationValue, item.printerValue});
  }
  const paperchk_counted_request counted{Text(request.printerName), Text(request.port), items.size(),
                                         items.data(),              request.paperSource, request.secondTrayShown ? 1 : 0,
                                         request.otherTraySize,     request.otherTrayMedia, Text(request.exchangePath),
                                         request.codePage};
  paperchk_error error{};
  // The size query first: (null, 0) answers with the size needed.
  paperchk_build_counted(programPath, &counted, nullptr, 0, &error);
  if (error.rule != PAPERCHK_RULE_BUFFER_TOO_SMALL) return FromC(error);
  std::vector<char> buffer(error.limit);
  if (paperchk_build_counted(programPath, &counted, buffer.data(), buffer.size(), &error) == PAPERCHK_OK) {
    line.assign(buffer.data());
  }
  return FromC(error);
}

}  // namespace detail

// One sentence for a log or a message: the field, the rule, the limit, and
// for a printer connection what to pass instead.
inline std::string Describe(const BuildError& error) {
  paperchk_error described{};
  described.field = static_cast<int>(error.field);
  described.rule = static_cast<int>(error.rule);
  described.limit = error.limit;
  described.item = error.item;
  described.system_error = error.systemError;
  paperchk_describe_error(&described);
  return described.message;
}

// Everything after the program path: the item-count word, the backslash
// fields and the exchange path. Refuses (and leaves `tail` empty) what
// paperchk would refuse or misread.
inline BuildError BuildCommandLineTail(const Request& request, std::string& tail) {
  return detail::Build(paperchk_text{nullptr, 0}, request, tail);
}

// Program path, one space, tail. The program path must hold no space (pass
// its short form) and at most kMaxProgramPathLength characters.
inline BuildError BuildCommandLine(const std::string& programPath, const Request& request,
                                   std::string& commandLine) {
  return detail::Build(detail::Text(programPath), request, commandLine);
}

// ---- the exchange file ----

// An open file. Offsets count from the start of the file.
class ProtocolFile {
 public:
  virtual ~ProtocolFile() = default;
  // One read; a short file gives fewer bytes.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) = 0;
  virtual bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size,
                       std::size_t& bytesWritten) = 0;
};

enum class OpenMode {
  CreateEmpty,   // create the file, or cut an existing one to nothing
  OpenExisting,  // fail with Missing when there is none
};

enum class FileStatus {
  Done = PAPERCHK_IO_DONE,
  Missing = PAPERCHK_IO_MISSING,
  Failed = PAPERCHK_IO_FAILED,
  NotADiskFile = PAPERCHK_IO_NOT_A_FILE,  // a device or a pipe
};

// Every open shares reading and writing with paperchk.
class ProtocolFileSystem {
 public:
  virtual ~ProtocolFileSystem() = default;
  // Null with `status` Missing or Failed when it cannot be opened.
  virtual std::unique_ptr<ProtocolFile> Open(const char* path, OpenMode mode, FileStatus& status) = 0;
  // Done when removed, Missing when there was none.
  virtual FileStatus Remove(const char* path) = 0;
};

namespace detail {

// A ProtocolFileSystem as the C functions take it; the handle is the
// ProtocolFile, deleted on close.
struct CFiles {
  static void* Open(void* context, const char* path, int createEmpty, int* status, std::uint32_t* systemError) {
    FileStatus opened = FileStatus::Failed;
    std::unique_ptr<ProtocolFile> file = static_cast<ProtocolFileSystem*>(context)->Open(
        path, createEmpty != 0 ? OpenMode::CreateEmpty : OpenMode::OpenExisting, opened);
    *status = static_cast<int>(file ? FileStatus::Done : opened == FileStatus::Done ? FileStatus::Failed : opened);
    *systemError = 0;
    return file.release();
  }
  static int ReadAt(void*, void* file, std::uint64_t offset, std::uint8_t* buffer, std::size_t size,
                    std::size_t* got, std::uint32_t* systemError) {
    *systemError = 0;
    return static_cast<ProtocolFile*>(file)->ReadAt(offset, buffer, size, *got) ? 1 : 0;
  }
  static int WriteAt(void*, void* file, std::uint64_t offset, const std::uint8_t* data, std::size_t size,
                     std::size_t* written, std::uint32_t* systemError) {
    *systemError = 0;
    return static_cast<ProtocolFile*>(file)->WriteAt(offset, data, size, *written) ? 1 : 0;
  }
  static void Close(void*, void* file) { delete static_cast<ProtocolFile*>(file); }
  static int Remove(void* context, const char* path, std::uint32_t* systemError) {
    *systemError = 0;
    return static_cast<int>(static_cast<ProtocolFileSystem*>(context)->Remove(path));
  }

  static paperchk_files Of(ProtocolFileSystem& files) { return paperchk_files{&files, Open, ReadAt, WriteAt, Close, Remove}; }
};

// The system's files (paperchk_system_files) behind the class interface.
class SystemFile final : public ProtocolFile {
 public:
  explicit SystemFile(void* handle) : handle_(handle) {}
  ~SystemFile() override { Files().close(Files().context, handle_); }
  SystemFile(const SystemFile&) = delete;
  SystemFile& operator=(const SystemFile&) = delete;

  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
    std::uint32_t systemError = 0;
    return Files().read_at(Files().context, handle_, offset, buffer, size, &bytesRead, &systemError) != 0;
  }
  bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size,
               std::size_t& bytesWritten) override {
    std::uint32_t systemError = 0;
    return Files().write_at(Files().context, handle_, offset, data, size, &bytesWritten, &systemError) != 0;
  }

  static const paperchk_files& Files() { return *paperchk_system_files(); }

 private:
  void* handle_;
};

class SystemFileSystem final : public ProtocolFileSystem {
 public:
  std::unique_ptr<ProtocolFile> Open(const char* path, OpenMode mode, FileStatus& status) override {
    int opened = PAPERCHK_IO_FAILED;
    std::uint32_t systemError = 0;
    status = FileStatus::Failed;
    if (path == nullptr || path[0] == '\0') return nullptr;
    void* handle = SystemFile::Files().open(SystemFile::Files().context, path, mode == OpenMode::CreateEmpty ? 1 : 0,
                                            &opened, &systemError);
    status = static_cast<FileStatus>(opened);
    if (handle == nullptr) return nullptr;
    return std::unique_ptr<ProtocolFile>(new SystemFile(handle));
  }
  FileStatus Remove(const char* path) override {
    std::uint32_t systemError = 0;
    if (path == nullptr || path[0] == '\0') return FileStatus::Failed;
    return static_cast<FileStatus>(SystemFile::Files().remove(SystemFile::Files().context, path, &systemError));
  }
};

}  // namespace detail

// The platform's files: CreateFileA and the like on Windows (shared reading
// and writing, as paperchk opens the file), open() and the like on POSIX.
inline std::unique_ptr<ProtocolFileSystem> MakeNativeProtocolFileSystem() {
  return std::unique_ptr<ProtocolFileSystem>(new detail::SystemFileSystem());
}

constexpr std::uint32_t kRetry = PAPERCHK_DECISION_RETRY;
constexpr std::uint32_t kIgnore = PAPERCHK_DECISION_IGNORE;
constexpr std::uint32_t kCancelPrinting = PAPERCHK_DECISION_CANCEL_PRINTING;
constexpr std::uint64_t kCompletionFlagOffset = PAPERCHK_COMPLETION_FLAG_OFFSET;

enum class Preparation {
  CreateEmpty,  // a fresh file holding {0, 0}
  RemoveOld,    // no file: paperchk creates it when it writes the decision
};

// Before starting paperchk, so an old decision is not taken for the user's.
inline bool PrepareExchangeFile(ProtocolFileSystem& files, const char* path, Preparation preparation) {
  const paperchk_files asC = detail::CFiles::Of(files);
  return paperchk_files_prepare(&asC, path, preparation == Preparation::CreateEmpty ? 1 : 0, nullptr) == PAPERCHK_OK;
}

enum class DecisionState {
  None,        // nothing written yet (no file, a short file, or decision 0)
  Decided,     // `value` is 1 retry, 2 ignore or 3 cancel printing
  Unexpected,  // a value paperchk never writes
  FileError,   // the file is there but cannot be opened or read
};

struct DecisionReading {
  DecisionState state = DecisionState::None;
  std::uint32_t value = 0;
};

inline DecisionReading ReadDecision(ProtocolFileSystem& files, const char* path) {
  const paperchk_files asC = detail::CFiles::Of(files);
  paperchk_error error{};
  DecisionReading reading;
  const int status = paperchk_files_read_decision(&asC, path, &reading.value, &error);
  if (status == PAPERCHK_OK) {
    reading.state = reading.value != 0 ? DecisionState::Decided : DecisionState::None;
  } else {
    reading.state = error.rule == PAPERCHK_RULE_UNEXPECTED_VALUE ? DecisionState::Unexpected : DecisionState::FileError;
  }
  return reading;
}

// After a retry, once the printer has been read again: writes `flag` (1 ends
// paperchk's wait) as 4 bytes at offset 4 and touches no other byte. An
// absent file is not created. False when the 4 bytes were not all written.
inline bool WriteCompletionFlag(ProtocolFileSystem& files, const char* path, std::uint32_t flag = 1) {
  const paperchk_files asC = detail::CFiles::Of(files);
  return paperchk_files_write_flag(&asC, path, flag, nullptr) == PAPERCHK_OK;
}

#ifdef _WIN32

// ---- the launcher (paperchk_launch in paperchk_client.h says all it does) ----

enum class LaunchEnding : int {
  NotLaunched = PAPERCHK_NOT_LAUNCHED,        // a bad argument; nothing was tried
  Decided = PAPERCHK_DECIDED,                 // `decision` came
  RequestRefused = PAPERCHK_REQUEST_REFUSED,  // the builder refused the request; paperchk never ran
  StartFailed = PAPERCHK_START_FAILED,        // CreateProcess failed (`systemError`)
  FileFailed = PAPERCHK_FILE_FAILED,          // the exchange file could not be prepared, or not read for 20 polls
  ProcessGone = PAPERCHK_PROCESS_GONE,        // paperchk ended without a decision (its start-up error, say)
  TimedOut = PAPERCHK_TIMED_OUT,              // no decision within the time; paperchk was ended
  NoUserSession = PAPERCHK_NO_USER_SESSION,   // runs where nobody would see the dialog; nothing started
  ExchangePathInUse = PAPERCHK_EXCHANGE_PATH_IN_USE,  // another launch runs on the file; nothing started
};

enum class ExecutionContext : int {
  Unknown = PAPERCHK_CONTEXT_UNKNOWN,
  Application = PAPERCHK_CONTEXT_APPLICATION,
  SpoolerService = PAPERCHK_CONTEXT_SPOOLER_SERVICE,
  SpoolerIsolationHost = PAPERCHK_CONTEXT_SPOOLER_ISOLATION_HOST,
  FilterPipeline = PAPERCHK_CONTEXT_FILTER_PIPELINE,
  Wow64 = PAPERCHK_CONTEXT_WOW64,
};

struct LaunchOptions {
  // Called once paperchk runs, with its process id, before the wait for the
  // decision begins (a driver may log it; the stand-in's unattended mode
  // presses a button from here). Neither callback may throw.
  std::function<void(std::uint32_t processId)> started;
  // After "Riprova": read the printer again; false when that failed (the
  // completion flag is written either way, or paperchk would wait forever).
  std::function<bool()> rereadPrinter;
  Preparation preparation = Preparation::CreateEmpty;
  bool keepExchangeFile = false;        // false: removed at the end
  std::uint32_t decisionTimeoutMs = 0;  // 0: as long as the user takes
  std::uint32_t endTimeoutMs = 10000;   // paperchk polls once a second
  std::uint32_t pollIntervalMs = 50;
  ProtocolFileSystem* files = nullptr;  // null: the platform's files
  bool skipUserSessionCheck = false;    // true: launch even where nobody would see the dialog
};

struct LaunchResult {
  LaunchEnding ending = LaunchEnding::NotLaunched;
  std::uint32_t decision = 0;  // 1, 2 or 3 when Decided
  bool rereadCalled = false;
  bool rereadSucceeded = false;
  bool completionFlagWritten = false;
  bool exitStatusKnown = false;
  std::uint32_t exitStatus = 0;
  bool terminated = false;         // the launcher had to end paperchk
  bool endsWithDriver = false;     // paperchk ran in a job that ends it with the driver's process
  bool exchangeFileRemoved = false;
  bool sessionKnown = false;       // where the launcher found itself running
  std::uint32_t session = 0;
  ExecutionContext executionContext = ExecutionContext::Unknown;
  std::uint32_t systemError = 0;   // of a failed start or file access
  BuildError error;                // with RequestRefused, StartFailed, FileFailed
  std::string commandLine;         // as started
};

// The path's short form when it holds a space (paperchk takes the first
// space for the end of its own path); the path itself otherwise, or when the
// file system has no short names (the builder then refuses it).
inline std::string ShortProgramPath(const std::string& programPath) {
  char buffer[PAPERCHK_MAX_PROGRAM_PATH_LENGTH + 1];
  if (programPath.find('\0') != std::string::npos ||
      paperchk_short_program_path(programPath.c_str(), buffer, sizeof buffer, nullptr) != PAPERCHK_OK) {
    return programPath;
  }
  return buffer;
}

namespace detail {

inline void Started(void* context, std::uint32_t processId) {
  const LaunchOptions& options = *static_cast<const LaunchOptions*>(context);
  if (options.started) options.started(processId);
}

inline int Reread(void* context) {
  const LaunchOptions& options = *static_cast<const LaunchOptions*>(context);
  return options.rereadPrinter && options.rereadPrinter() ? 1 : 0;
}

inline LaunchResult FromC(const paperchk_launch_result& in) {
  LaunchResult out;
  out.ending = static_cast<LaunchEnding>(in.ending);
  out.decision = in.decision;
  out.rereadCalled = in.reread_called != 0;
  out.rereadSucceeded = in.reread_succeeded != 0;
  out.completionFlagWritten = in.completion_flag_written != 0;
  out.exitStatusKnown = in.exit_status_known != 0;
  out.exitStatus = in.exit_status;
  out.terminated = in.terminated != 0;
  out.endsWithDriver = in.ends_with_driver != 0;
  out.exchangeFileRemoved = in.exchange_file_removed != 0;
  out.sessionKnown = in.place.session_known != 0;
  out.session = in.place.session;
  out.executionContext = static_cast<ExecutionContext>(in.place.execution_context);
  out.systemError = in.error.system_error;
  out.error = FromC(in.error);
  return out;
}

}  // namespace detail

// The same run for a command line built elsewhere, which nothing here checks:
// for tools that try out what paperchk does with a line the builder would
// refuse. `programPath` is the module started; `exchangePath` the file named
// in the line.
inline LaunchResult LaunchCommandLine(const std::string& programPath, const std::string& commandLine,
                                      const std::string& exchangePath, const LaunchOptions& options) {
  paperchk_files files{};
  paperchk_launch_options asC{};
  asC.reread_printer = options.rereadPrinter ? detail::Reread : nullptr;
  asC.context = const_cast<LaunchOptions*>(&options);  // the callbacks only read it
  asC.started = detail::Started;
  asC.create_exchange_file = options.preparation == Preparation::CreateEmpty ? 1 : 0;
  asC.keep_exchange_file = options.keepExchangeFile ? 1 : 0;
  asC.decision_timeout_ms = options.decisionTimeoutMs;
  asC.end_timeout_ms = options.endTimeoutMs;
  asC.poll_interval_ms = options.pollIntervalMs;
  asC.skip_user_session_check = options.skipUserSessionCheck ? 1 : 0;
  if (options.files != nullptr) {
    files = detail::CFiles::Of(*options.files);
    asC.files = &files;
  }
  paperchk_launch_result result{};
  paperchk_launch_command_line(programPath.c_str(), commandLine.c_str(), exchangePath.c_str(), &asC, &result);
  LaunchResult converted = detail::FromC(result);
  converted.commandLine = commandLine;
  return converted;
}

// Refuses what paperchk would misread (nothing is started then), else runs
// the line the builder made.
inline LaunchResult Launch(const std::string& programPath, const Request& request, const LaunchOptions& options) {
  const std::string program = ShortProgramPath(programPath);
  std::string commandLine;
  const BuildError error = BuildCommandLine(program, request, commandLine);
  if (!error.ok()) {
    LaunchResult result;
    result.ending = LaunchEnding::RequestRefused;
    result.error = error;
    return result;
  }
  return LaunchCommandLine(program, commandLine, request.exchangePath, options);
}

#endif  // _WIN32

}  // namespace paperchk_client
