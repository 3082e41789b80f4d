#include "test_automation.h"

#include "client/paperchk_client.h"

namespace paperchk_driver {

namespace {

// The exchange path in the system's code page, as a driver passes it; a
// character the code page cannot hold is refused, not sent as '?'.
bool ExchangePathInCodePage(const std::wstring& path, std::string& bytes, std::string* why) {
  paperchk_error error{};
  // The size query first: (null, 0) answers with the size needed.
  paperchk_text_from_unicode(path.c_str(), 0, PAPERCHK_FIELD_EXCHANGE_PATH, nullptr, 0, &error);
  if (error.rule == PAPERCHK_RULE_BUFFER_TOO_SMALL) {
    std::string buffer(error.limit, '\0');
    if (paperchk_text_from_unicode(path.c_str(), 0, PAPERCHK_FIELD_EXCHANGE_PATH, buffer.data(), buffer.size(),
                                   &error) == PAPERCHK_OK) {
      bytes.assign(buffer.c_str());
      return true;
    }
  }
  if (why != nullptr) *why = error.message;
  return false;
}

}  // namespace

std::optional<std::wstring> ClientTail(paperchk_client::Request request, const std::wstring& exchangePath,
                                       std::string* why) {
  if (!ExchangePathInCodePage(exchangePath, request.exchangePath, why)) return std::nullopt;
  std::string tail;
  const paperchk_client::BuildError error = paperchk_client::BuildCommandLineTail(request, tail);
  if (!error.ok()) {
    if (why != nullptr) *why = paperchk_client::Describe(error);
    return std::nullopt;
  }
  return FromAnsi(tail);
}

std::wstring BuildCommandLine(const std::wstring& programPath, const std::wstring& tail) {
  std::wstring program = programPath;
  if (program.find(L' ') != std::wstring::npos) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(program.c_str(), shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) program = shortPath;
  }
  return program + L" " + tail;
}

}  // namespace paperchk_driver
