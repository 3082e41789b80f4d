#pragma once
// The session fuzzer's input: the command line up to the first NUL byte, then
// a script of events, each one kind byte followed by its operand bytes. Every
// byte string is a valid script: a kind is taken modulo the number of kinds,
// and operands missing at the end read as 0.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace paperchk::fuzz {

enum class EventKind : std::uint8_t {
  kSelectTray,          // the user picks a selector entry: any index, out of range included
  kPressHelp,           // "?"
  kDecide,              // "Riprova", "Ignora" or "Annulla"
  kTick,                // the wait box's timer fires
  kDismissWait,         // Enter or Esc in the wait box
  kCallerSetsFlag,      // the driver writes a completion flag (any value) into bytes 4 to 7
  kCallerWritesFile,    // the driver replaces the whole file
  kCallerResizesFile,   // the driver cuts or grows the file
  kCallerDeletesFile,   // the driver deletes the file
  kFaultNextAccess,     // the next open of the file misbehaves
  kWindowsDirectory,    // the platform's Windows directory (any length)
  kFolderChange,        // after 0 to 255 ms, the watch of the file's folder signals (or can no longer be armed)
  kCount
};

struct Event {
  EventKind kind = EventKind::kCount;
  int index = 0;                   // kSelectTray: -128 to 127
  std::uint32_t decision = 0;      // kDecide: 1 to 3
  std::uint32_t flag = 0;          // kCallerSetsFlag
  std::vector<std::uint8_t> file;  // kCallerWritesFile: 0 to 31 bytes
  std::size_t size = 0;            // kCallerResizesFile, kWindowsDirectory, fault counts and sizes
  std::uint8_t fill = 0;           // kCallerResizesFile, fault resizes
  std::uint8_t fault = 0;          // kFaultNextAccess: 0 open, 1 transfer, 2 short count, 3 resize
  bool rearmFails = false;         // kFolderChange: the folder cannot be watched from now on
};

class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {
    while (position_ < size_ && data_[position_] != 0) ++position_;
    commandLine_.assign(reinterpret_cast<const char*>(data_), position_);
    if (position_ < size_) ++position_;  // the NUL that ends the command line
  }

  // The command line as the platform hands it over (any length).
  const std::string& commandLine() const { return commandLine_; }

  bool HasMore() const { return position_ < size_; }

  Event Next() {
    Event event;
    event.kind = static_cast<EventKind>(Byte() % static_cast<std::uint8_t>(EventKind::kCount));
    switch (event.kind) {
      case EventKind::kSelectTray:
        event.index = static_cast<int>(Byte()) - 128;
        break;
      case EventKind::kDecide:
        event.decision = 1u + Byte() % 3u;
        break;
      case EventKind::kCallerSetsFlag:
        for (unsigned shift = 0; shift < 32; shift += 8) event.flag |= static_cast<std::uint32_t>(Byte()) << shift;
        break;
      case EventKind::kCallerWritesFile:
        event.file.resize(Byte() % 32u);
        std::generate(event.file.begin(), event.file.end(), [this] { return Byte(); });
        break;
      case EventKind::kCallerResizesFile:
        event.size = Byte() % 32u;
        event.fill = Byte();
        break;
      case EventKind::kFaultNextAccess: {
        const std::uint8_t operand = Byte();
        event.fault = operand % 4u;
        event.size = (operand / 4u) % 32u;
        if (event.fault == 3) event.fill = Byte();
        break;
      }
      case EventKind::kWindowsDirectory:
        event.size = Byte();
        break;
      case EventKind::kFolderChange:
        event.size = Byte();
        event.rearmFails = Byte() == 0xFF;
        break;
      case EventKind::kPressHelp:
      case EventKind::kTick:
      case EventKind::kDismissWait:
      case EventKind::kCallerDeletesFile:
      case EventKind::kCount:
        break;
    }
    return event;
  }

 private:
  std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  std::string commandLine_;
};

}  // namespace paperchk::fuzz
