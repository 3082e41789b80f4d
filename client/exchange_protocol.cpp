#include "client/exchange_protocol.h"

namespace paperchk_client {

namespace {

void PutLittleEndian32(std::uint32_t value, std::uint8_t* bytes) {
  for (int index = 0; index < 4; ++index) bytes[index] = static_cast<std::uint8_t>(value >> (8 * index));
}

std::uint32_t GetLittleEndian32(const std::uint8_t* bytes) {
  std::uint32_t value = 0;
  for (int index = 0; index < 4; ++index) value |= static_cast<std::uint32_t>(bytes[index]) << (8 * index);
  return value;
}

bool WriteAll(ProtocolFile& file, std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  std::size_t written = 0;
  return file.WriteAt(offset, data, size, written) && written == size;
}

}  // namespace

bool PrepareExchangeFile(ProtocolFileSystem& files, const char* path, Preparation preparation) {
  if (path == nullptr || path[0] == '\0') return false;
  if (preparation == Preparation::RemoveOld) return files.Remove(path) != FileStatus::Failed;

  FileStatus status = FileStatus::Failed;
  std::unique_ptr<ProtocolFile> file = files.Open(path, OpenMode::CreateEmpty, status);
  if (!file) return false;
  const std::uint8_t empty[8] = {};
  return WriteAll(*file, 0, empty, sizeof empty);
}

DecisionReading ReadDecision(ProtocolFileSystem& files, const char* path) {
  DecisionReading reading;
  if (path == nullptr || path[0] == '\0') {
    reading.state = DecisionState::FileError;
    return reading;
  }
  FileStatus status = FileStatus::Failed;
  std::unique_ptr<ProtocolFile> file = files.Open(path, OpenMode::OpenExisting, status);
  if (!file) {
    // paperchk creates a missing file when it writes the decision.
    reading.state = status == FileStatus::Missing ? DecisionState::None : DecisionState::FileError;
    return reading;
  }
  std::uint8_t bytes[4] = {};
  std::size_t got = 0;
  if (!file->ReadAt(0, bytes, sizeof bytes, got)) {
    reading.state = DecisionState::FileError;
    return reading;
  }
  // paperchk writes the record in one piece; a shorter file holds none yet.
  if (got < sizeof bytes) return reading;
  reading.value = GetLittleEndian32(bytes);
  if (reading.value == 0) return reading;
  const bool known = reading.value == kRetry || reading.value == kIgnore || reading.value == kCancelPrinting;
  reading.state = known ? DecisionState::Decided : DecisionState::Unexpected;
  return reading;
}

bool WriteCompletionFlag(ProtocolFileSystem& files, const char* path, std::uint32_t flag) {
  if (path == nullptr || path[0] == '\0') return false;
  FileStatus status = FileStatus::Failed;
  std::unique_ptr<ProtocolFile> file = files.Open(path, OpenMode::OpenExisting, status);
  if (!file) return false;
  std::uint8_t bytes[4];
  PutLittleEndian32(flag, bytes);
  return WriteAll(*file, kCompletionFlagOffset, bytes, sizeof bytes);
}

}  // namespace paperchk_client
