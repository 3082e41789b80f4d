// The C interface over the builder and the exchange protocol. No exception
// leaves these functions: each body runs inside one catch-all.
#include <cstring>
#include <memory>
#include <new>

#include "client/c_request.h"
#include "client/exchange_protocol.h"
#include "client/protocol_files.h"

namespace paperchk_client {

// The C enumerations are the C++ ones, value for value.
static_assert(PAPERCHK_FIELD_COMMAND_LINE == static_cast<int>(Field::CommandLine), "fields out of step");
static_assert(PAPERCHK_FIELD_EXCHANGE_PATH == static_cast<int>(Field::ExchangePath), "fields out of step");
static_assert(PAPERCHK_RULE_BUFFER_TOO_SMALL == static_cast<int>(Rule::BufferTooSmall), "rules out of step");
static_assert(PAPERCHK_RULE_PRINTER_CONNECTION == static_cast<int>(Rule::PrinterConnection), "rules out of step");
static_assert(PAPERCHK_MAX_ITEMS == kMaxItems, "item counts out of step");

namespace {

// Copies as much of the text as fits, always NUL-terminated: the message is
// for people, the codes beside it carry the meaning.
void CopyMessage(const std::string& text, char (&destination)[PAPERCHK_ERROR_MESSAGE_SIZE]) {
  const std::size_t length = text.size() < sizeof destination - 1 ? text.size() : sizeof destination - 1;
  std::memcpy(destination, text.data(), length);
  destination[length] = '\0';
}

}  // namespace

bool RequestFromC(const paperchk_request& in, Request& out, BuildError& error) {
  error = BuildError{};
  if (in.printer_name == nullptr || in.port == nullptr || in.exchange_path == nullptr) return false;
  if (in.item_count > PAPERCHK_MAX_ITEMS) {
    error.field = Field::Items;
    error.rule = Rule::ItemCount;
    error.limit = kMaxItems;
    return false;
  }
  out.printerName = in.printer_name;
  out.port = in.port;
  out.items.clear();
  for (std::size_t index = 0; index < in.item_count; ++index) {
    const paperchk_item& item = in.items[index];
    out.items.push_back(RequestItem{item.setting_name, item.application_value, item.printer_value});
  }
  out.paperSource = in.paper_source;
  out.secondTrayShown = in.second_tray_shown != 0;
  out.otherTraySize = in.other_tray_size;
  out.otherTrayMedia = in.other_tray_media;
  out.exchangePath = in.exchange_path;
  return true;
}

void ErrorToC(const BuildError& error, paperchk_error* out) {
  if (out == nullptr) return;
  out->field = static_cast<int>(error.field);
  out->rule = static_cast<int>(error.rule);
  out->limit = error.limit;
  out->item = error.item;
  CopyMessage(error.ok() ? std::string() : Describe(error), out->message);
}

}  // namespace paperchk_client

namespace client = paperchk_client;

namespace {

int BuildInto(const char* programPath, const paperchk_request& request, char* buffer, std::size_t bufferSize,
              paperchk_error* error) {
  client::Request converted;
  client::BuildError refusal;
  if (!client::RequestFromC(request, converted, refusal)) {
    client::ErrorToC(refusal, error);
    return refusal.ok() ? PAPERCHK_BAD_ARGUMENT : PAPERCHK_REFUSED;
  }
  std::string commandLine;
  refusal = client::BuildCommandLine(programPath, converted, commandLine);
  if (refusal.ok() && commandLine.size() >= bufferSize) {
    refusal.field = client::Field::CommandLine;
    refusal.rule = client::Rule::BufferTooSmall;
    refusal.limit = commandLine.size() + 1;
  }
  client::ErrorToC(refusal, error);
  if (!refusal.ok()) return PAPERCHK_REFUSED;
  std::memcpy(buffer, commandLine.c_str(), commandLine.size() + 1);
  return PAPERCHK_OK;
}

}  // namespace

extern "C" int paperchk_build_command_line(const char* program_path, const paperchk_request* request,
                                           char* buffer, size_t buffer_size, paperchk_error* error) {
  if (error != nullptr) client::ErrorToC(client::BuildError{}, error);
  if (program_path == nullptr || request == nullptr || buffer == nullptr || buffer_size == 0) {
    return PAPERCHK_BAD_ARGUMENT;
  }
  buffer[0] = '\0';
  try {
    return BuildInto(program_path, *request, buffer, buffer_size, error);
  } catch (...) {
    return PAPERCHK_INTERNAL;
  }
}

extern "C" int paperchk_prepare_exchange_file(const char* path, int create_empty) {
  if (path == nullptr) return PAPERCHK_BAD_ARGUMENT;
  try {
    const std::unique_ptr<client::ProtocolFileSystem> files = client::MakeNativeProtocolFileSystem();
    const client::Preparation preparation =
        create_empty != 0 ? client::Preparation::CreateEmpty : client::Preparation::RemoveOld;
    return client::PrepareExchangeFile(*files, path, preparation) ? PAPERCHK_OK : PAPERCHK_FILE_ERROR;
  } catch (...) {
    return PAPERCHK_INTERNAL;
  }
}

extern "C" int paperchk_read_decision(const char* path, uint32_t* decision) {
  if (path == nullptr || decision == nullptr) return PAPERCHK_BAD_ARGUMENT;
  *decision = 0;
  try {
    const std::unique_ptr<client::ProtocolFileSystem> files = client::MakeNativeProtocolFileSystem();
    const client::DecisionReading reading = client::ReadDecision(*files, path);
    *decision = reading.value;
    switch (reading.state) {
      case client::DecisionState::None:
      case client::DecisionState::Decided: return PAPERCHK_OK;
      case client::DecisionState::Unexpected:
      case client::DecisionState::FileError: return PAPERCHK_FILE_ERROR;
    }
    return PAPERCHK_INTERNAL;
  } catch (...) {
    return PAPERCHK_INTERNAL;
  }
}

extern "C" int paperchk_write_completion_flag(const char* path) {
  if (path == nullptr) return PAPERCHK_BAD_ARGUMENT;
  try {
    const std::unique_ptr<client::ProtocolFileSystem> files = client::MakeNativeProtocolFileSystem();
    return client::WriteCompletionFlag(*files, path) ? PAPERCHK_OK : PAPERCHK_FILE_ERROR;
  } catch (...) {
    return PAPERCHK_INTERNAL;
  }
}
