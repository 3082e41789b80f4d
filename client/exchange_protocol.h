// The driver's side of the exchange file: 8 bytes at its start, two
// little-endian 32-bit values, the decision (written by paperchk) and the
// completion flag (0 from paperchk, 1 from the driver after a retry).
// paperchk opens the file afresh for each access with shared reading and
// writing; the driver does the same and never holds it open for long.
//
// Portable standard C++17; the files are reached through ProtocolFileSystem,
// with a Win32 and a POSIX implementation (protocol_files.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace paperchk_client {

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

enum class FileStatus { Done, Missing, Failed };

// Every open shares reading and writing with paperchk.
class ProtocolFileSystem {
 public:
  virtual ~ProtocolFileSystem() = default;
  // Null with `status` Missing or Failed when it cannot be opened.
  virtual std::unique_ptr<ProtocolFile> Open(const char* path, OpenMode mode, FileStatus& status) = 0;
  // Done when removed, Missing when there was none.
  virtual FileStatus Remove(const char* path) = 0;
};

constexpr std::uint32_t kRetry = 1;
constexpr std::uint32_t kIgnore = 2;
constexpr std::uint32_t kCancelPrinting = 3;
constexpr std::uint64_t kCompletionFlagOffset = 4;

enum class Preparation {
  CreateEmpty,  // a fresh file holding {0, 0}
  RemoveOld,    // no file: paperchk creates it when it writes the decision
};

// Before starting paperchk, so an old decision is not taken for the user's.
bool PrepareExchangeFile(ProtocolFileSystem& files, const char* path, Preparation preparation);

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

DecisionReading ReadDecision(ProtocolFileSystem& files, const char* path);

// After a retry, once the printer has been read again: writes `flag` (1 ends
// paperchk's wait) as 4 bytes at offset 4 and touches no other byte. An
// absent file is not created. False when the 4 bytes were not all written.
bool WriteCompletionFlag(ProtocolFileSystem& files, const char* path, std::uint32_t flag = 1);

}  // namespace paperchk_client
