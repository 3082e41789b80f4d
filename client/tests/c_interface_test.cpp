// The C interface: the same rules as the C++ builder, caller-owned buffers
// that are never overrun, and the exchange functions on real files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "client/lead_byte_ranges.h"
#include "client/paperchk_client.h"

#ifdef _WIN32
#include <windows.h>

#endif

namespace {

paperchk_request SampleRequest() {
  paperchk_request request{};
  request.printer_name = "Laser";
  request.port = "\\\\server\\queue";
  request.item_count = 1;
  request.items[0] = {40002, 50009, 256};
  request.paper_source = 30005;
  request.second_tray_shown = 1;
  request.other_tray_size = 768;
  request.other_tray_media = 20001;
  request.exchange_path = "C:\\x.bin";
  return request;
}

#ifdef _WIN32
constexpr int kUntouched = -1;

// paperchk_launch into a result full of garbage; hands back its error and ending.
int Launch(const char* program, const paperchk_request* request, paperchk_error& error, int& ending) {
  paperchk_launch_result result;
  std::memset(&result, 0xAB, sizeof result);
  const int status = paperchk_launch(program, request, nullptr, &result);
  error = result.error;
  ending = result.ending;
  return status;
}
#endif

const char kExpected[] = "paperchk.exe 1_Item \"Laser\"\\,,server,queue\\40002\\50009\\256\\30005\\1\\768\\20001\\C:\\x.bin";

TEST(CInterface, BuildsIntoTheCallersBufferAndSaysHowMuchATooSmallOneNeeds) {
  const paperchk_request request = SampleRequest();
  char buffer[4096];
  paperchk_error error;
  ASSERT_EQ(paperchk_build_command_line("paperchk.exe", &request, buffer, sizeof buffer, &error), PAPERCHK_OK);
  EXPECT_STREQ(buffer, kExpected);
  EXPECT_EQ(error.rule, PAPERCHK_RULE_NONE);

  char small[sizeof kExpected - 1];  // one byte short: no room for the NUL
  std::memset(small, 'x', sizeof small);
  ASSERT_EQ(paperchk_build_command_line("paperchk.exe", &request, small, sizeof small, &error), PAPERCHK_REFUSED);
  EXPECT_EQ(small[0], '\0');
  EXPECT_EQ(error.field, PAPERCHK_FIELD_COMMAND_LINE);
  EXPECT_EQ(error.rule, PAPERCHK_RULE_BUFFER_TOO_SMALL);
  EXPECT_EQ(error.limit, sizeof kExpected);
  EXPECT_EQ(small[1], 'x') << "nothing beyond the empty text is written";
}

TEST(CInterface, RefusalsCarryFieldRuleLimitItemAndMessage) {
  paperchk_request request = SampleRequest();
  char buffer[4096];
  paperchk_error error;
  request.printer_name = "\\\\server\\Laser 2";
  ASSERT_EQ(paperchk_build_command_line("paperchk.exe", &request, buffer, sizeof buffer, &error), PAPERCHK_REFUSED);
  EXPECT_EQ(error.field, PAPERCHK_FIELD_PRINTER_NAME);
  EXPECT_EQ(error.rule, PAPERCHK_RULE_PRINTER_CONNECTION);
  EXPECT_NE(std::strstr(error.message, "printer name is a printer connection"), nullptr) << error.message;
  EXPECT_STREQ(buffer, "");

  request = SampleRequest();
  request.item_count = 4;  // more than the array holds: never read beyond it
  ASSERT_EQ(paperchk_build_command_line("paperchk.exe", &request, buffer, sizeof buffer, &error), PAPERCHK_REFUSED);
  EXPECT_EQ(error.field, PAPERCHK_FIELD_ITEMS);
  EXPECT_EQ(error.rule, PAPERCHK_RULE_ITEM_COUNT);
  EXPECT_EQ(error.limit, 3u);

  request = SampleRequest();
  request.items[0].printer_value = 65536;
  ASSERT_EQ(paperchk_build_command_line("paperchk.exe", &request, buffer, sizeof buffer, &error), PAPERCHK_REFUSED);
  EXPECT_EQ(error.field, PAPERCHK_FIELD_PRINTER_VALUE);
  EXPECT_EQ(error.item, 1u);
  EXPECT_STREQ(error.message, "printer value of item 1 is not a catalogue number (0 to 65535)");
}

// Every entry point with each null argument: the status says so, the error
// names the argument (filled over whatever the caller's struct held), and a
// launch result never reads as a decision. The size query (null, 0) is not
// a null argument: it answers with the size needed.
TEST(CInterface, EveryNullArgumentIsNamedAndNoResultReadsAsADecision) {
  struct Row {
    const char* what;
    std::function<int(paperchk_request& request, paperchk_error& error, int& ending)> call;
    int status;
    int field;
    int rule;
    const char* message;
  };
  char buffer[4096];
  std::uint32_t decision = 0;
  const char path[] = "paperchk-client-null-rows.bin";
  const int kNoEnding = -1;
  const std::vector<Row> rows = {
      {"build: program path", [&](paperchk_request& r, paperchk_error& e, int&) {
         return paperchk_build_command_line(nullptr, &r, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_RULE_NULL, "program path is a null pointer"},
      {"build: request", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_build_command_line("paperchk.exe", nullptr, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_REQUEST, PAPERCHK_RULE_NULL, "request is a null pointer"},
      {"build: printer name", [&](paperchk_request& r, paperchk_error& e, int&) {
         r.printer_name = nullptr;
         return paperchk_build_command_line("paperchk.exe", &r, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PRINTER_NAME, PAPERCHK_RULE_NULL, "printer name is a null pointer"},
      {"build: port", [&](paperchk_request& r, paperchk_error& e, int&) {
         r.port = nullptr;
         return paperchk_build_command_line("paperchk.exe", &r, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PORT, PAPERCHK_RULE_NULL, "port is a null pointer"},
      {"build: exchange path", [&](paperchk_request& r, paperchk_error& e, int&) {
         r.exchange_path = nullptr;
         return paperchk_build_command_line("paperchk.exe", &r, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NULL, "exchange path is a null pointer"},
      {"build: null buffer with a size", [&](paperchk_request& r, paperchk_error& e, int&) {
         return paperchk_build_command_line("paperchk.exe", &r, nullptr, 10, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_NULL, "buffer is a null pointer"},
      {"build: the size query (null, 0)", [&](paperchk_request& r, paperchk_error& e, int&) {
         return paperchk_build_command_line("paperchk.exe", &r, nullptr, 0, &e); },
       PAPERCHK_REFUSED, PAPERCHK_FIELD_COMMAND_LINE, PAPERCHK_RULE_BUFFER_TOO_SMALL,
       "command line does not fit the caller's buffer (86 bytes needed)"},
      {"prepare: path", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_prepare_exchange_file(nullptr, 1, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NULL, "exchange path is a null pointer"},
      {"read: path", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_read_decision(nullptr, &decision, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NULL, "exchange path is a null pointer"},
      {"read: decision", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_read_decision(path, nullptr, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_DECISION, PAPERCHK_RULE_NULL, "decision is a null pointer"},
      {"flag: path", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_write_completion_flag(nullptr, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NULL, "exchange path is a null pointer"},
      {"files: null file functions", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_files_prepare(nullptr, path, 1, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_FILES, PAPERCHK_RULE_NULL, "files is a null pointer"},
#ifdef _WIN32
      {"launch: program path", [&](paperchk_request& r, paperchk_error& e, int& ending) {
         return Launch(nullptr, &r, e, ending); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_RULE_NULL, "program path is a null pointer"},
      {"launch: request", [&](paperchk_request&, paperchk_error& e, int& ending) {
         return Launch("paperchk.exe", nullptr, e, ending); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_REQUEST, PAPERCHK_RULE_NULL, "request is a null pointer"},
      {"launch: port", [&](paperchk_request& r, paperchk_error& e, int& ending) {
         r.port = nullptr;
         return Launch("paperchk.exe", &r, e, ending); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PORT, PAPERCHK_RULE_NULL, "port is a null pointer"},
      {"launch: printer name", [&](paperchk_request& r, paperchk_error& e, int& ending) {
         r.printer_name = nullptr;
         return Launch("paperchk.exe", &r, e, ending); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PRINTER_NAME, PAPERCHK_RULE_NULL, "printer name is a null pointer"},
      {"launch: exchange path", [&](paperchk_request& r, paperchk_error& e, int& ending) {
         r.exchange_path = nullptr;
         return Launch("paperchk.exe", &r, e, ending); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NULL, "exchange path is a null pointer"},
      {"launch: result", [&](paperchk_request& r, paperchk_error&, int&) {
         return paperchk_launch("paperchk.exe", &r, nullptr, nullptr); },
       PAPERCHK_BAD_ARGUMENT, kUntouched, kUntouched, nullptr},
      {"launch a line: command line", [&](paperchk_request&, paperchk_error& e, int& ending) {
         paperchk_launch_result result;
         std::memset(&result, 0xAB, sizeof result);
         const int status = paperchk_launch_command_line("paperchk.exe", nullptr, path, nullptr, &result);
         e = result.error;
         ending = result.ending;
         return status; },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_COMMAND_LINE, PAPERCHK_RULE_NULL, "command line is a null pointer"},
      {"exchange path: buffer", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_make_exchange_path(nullptr, 260, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_NULL, "buffer is a null pointer"},
      {"short path: path", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_short_program_path(nullptr, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_RULE_NULL, "program path is a null pointer"},
      {"from Unicode: text", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_text_from_unicode(nullptr, 0, PAPERCHK_FIELD_PORT, buffer, sizeof buffer, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_PORT, PAPERCHK_RULE_NULL, "port is a null pointer"},
      {"from Unicode: buffer", [&](paperchk_request&, paperchk_error& e, int&) {
         return paperchk_text_from_unicode(L"x", 0, PAPERCHK_FIELD_PORT, nullptr, 8, &e); },
       PAPERCHK_BAD_ARGUMENT, PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_NULL, "buffer is a null pointer"},
#endif
  };
  for (const Row& row : rows) {
    paperchk_request request = SampleRequest();
    paperchk_error error;
    std::memset(&error, 0xAB, sizeof error);  // what a caller's uninitialised struct may hold
    int ending = kNoEnding;
    EXPECT_EQ(row.call(request, error, ending), row.status) << row.what;
    if (row.message == nullptr) continue;  // nowhere to write to
    EXPECT_EQ(error.field, row.field) << row.what;
    EXPECT_EQ(error.rule, row.rule) << row.what;
    EXPECT_EQ(error.system_error, 0u) << row.what;
    EXPECT_STREQ(error.message, row.message) << row.what;
#ifdef _WIN32
    if (ending != kNoEnding) {
      EXPECT_EQ(ending, PAPERCHK_NOT_LAUNCHED) << row.what << ": nothing was tried";
      EXPECT_NE(ending, PAPERCHK_DECIDED) << row.what;
    }
#endif
  }
}

TEST(CInterface, ExchangeFunctionsOnARealFile) {
  const char path[] = "paperchk-client-c-interface.bin";
  (void)std::remove(path);
  std::uint32_t decision = 99;
  ASSERT_EQ(paperchk_read_decision(path, &decision, nullptr), PAPERCHK_OK);
  EXPECT_EQ(decision, 0u) << "no file: no decision yet";
  paperchk_error missing;
  EXPECT_EQ(paperchk_write_completion_flag(path, &missing), PAPERCHK_FILE_ERROR) << "a missing file is not created";
  EXPECT_EQ(missing.rule, PAPERCHK_RULE_SYSTEM_FAILURE);
  EXPECT_NE(missing.system_error, 0u) << "the system's code comes with the failure";

  ASSERT_EQ(paperchk_prepare_exchange_file(path, 1, nullptr), PAPERCHK_OK);
  ASSERT_EQ(paperchk_read_decision(path, &decision, nullptr), PAPERCHK_OK);
  EXPECT_EQ(decision, 0u);
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write("\x07\0\0\0\0\0\0\0", 8);
  }
  paperchk_error error;
  EXPECT_EQ(paperchk_read_decision(path, &decision, &error), PAPERCHK_FILE_ERROR);
  EXPECT_EQ(decision, 7u) << "the unexpected value is handed back";
  EXPECT_EQ(error.rule, PAPERCHK_RULE_UNEXPECTED_VALUE);
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write("\x01\0\0\0\0\0\0\0", 8);
  }
  ASSERT_EQ(paperchk_read_decision(path, &decision, nullptr), PAPERCHK_OK);
  EXPECT_EQ(decision, 1u);
  ASSERT_EQ(paperchk_write_completion_flag(path, nullptr), PAPERCHK_OK);
  ASSERT_EQ(paperchk_prepare_exchange_file(path, 0, nullptr), PAPERCHK_OK);
  EXPECT_FALSE(std::ifstream(path).good());
}

// Where the launcher runs, told by a fake platform: session 0 and the
// spooler's contexts are refused (under Wine: with no file touched), the
// application's and the bridge's context and "cannot tell" pass, the option
// turns the check off, and the result says what was found.
struct FakePlace {
  int sessionKnown;
  std::uint32_t session;
  int context;
};
int FakeSession(void* place, std::uint32_t* session, std::uint32_t* systemError) {
  *session = static_cast<FakePlace*>(place)->session;
  *systemError = 0;
  return static_cast<FakePlace*>(place)->sessionKnown;
}
int FakeContext(void* place) { return static_cast<FakePlace*>(place)->context; }

#ifdef _WIN32
// Files that count their calls and open nothing (a launch past its checks
// ends FILE_FAILED); the first open may wait until `release` is set, so that
// the launch on them is still running.
struct CountedFiles {
  int calls = 0;
  HANDLE entered = nullptr;
  HANDLE release = nullptr;
  paperchk_files files{this,
                       [](void* c, const char*, int, int* status, std::uint32_t* error) -> void* {
                         auto* self = static_cast<CountedFiles*>(c);
                         if (++self->calls == 1 && self->release != nullptr) {
                           SetEvent(self->entered);
                           WaitForSingleObject(self->release, 60000);
                         }
                         *status = PAPERCHK_IO_FAILED;
                         *error = 5;
                         return nullptr;
                       },
                       nullptr, nullptr, nullptr,
                       [](void* c, const char*, std::uint32_t* error) {
                         ++static_cast<CountedFiles*>(c)->calls;
                         *error = 5;
                         return static_cast<int>(PAPERCHK_IO_FAILED);
                       }};
};

paperchk_launch_result LaunchOn(CountedFiles& counted, paperchk_launch_options options = {},
                                const char* exchange = "C:\\paperchk-counted.bin") {
  options.files = &counted.files;
  paperchk_launch_result result;
  std::memset(&result, 0xAB, sizeof result);
  (void)paperchk_launch_command_line("no-such-paperchk.exe", "no-such-paperchk.exe", exchange, &options, &result);
  return result;
}
#endif

TEST(CInterface, TheLaunchIsRefusedWhereNobodyWouldSeeTheDialog) {
  struct Row {
    FakePlace place;
    int skip;
    const char* refusal;  // the start of the error; null: launched
  };
  const Row rows[] = {
      {{1, 0, PAPERCHK_CONTEXT_UNKNOWN}, 0, "session 0 shows no window to the user: nobody would see paperchk's "
                                            "dialog (launch it from the application's process)"},
      {{1, 0, PAPERCHK_CONTEXT_APPLICATION}, 0, "session 0 shows"},
      {{0, 0, PAPERCHK_CONTEXT_SPOOLER_SERVICE}, 0, "print execution context \"spooler service\" shows"},
      {{1, 1, PAPERCHK_CONTEXT_SPOOLER_ISOLATION_HOST}, 0, "print execution context \"spooler isolation host\""},
      {{1, 1, PAPERCHK_CONTEXT_FILTER_PIPELINE}, 0, "print execution context \"filter pipeline\""},
      {{1, 1, PAPERCHK_CONTEXT_APPLICATION}, 0, nullptr},
      {{1, 1, PAPERCHK_CONTEXT_WOW64}, 0, nullptr},
      {{0, 0, PAPERCHK_CONTEXT_UNKNOWN}, 0, nullptr},  // cannot tell either: launched as before
      {{1, 3, 99}, 0, nullptr},                        // a context the platform never gives
      {{1, 0, PAPERCHK_CONTEXT_SPOOLER_SERVICE}, 1, nullptr},
  };
  for (const Row& row : rows) {
    FakePlace place = row.place;
    const paperchk_platform platform{&place, FakeSession, FakeContext};
    const std::string what = std::to_string(place.sessionKnown) + "/" + std::to_string(place.session) + "/" +
                             std::to_string(place.context) + "/" + std::to_string(row.skip);
    const int context = place.context == 99 ? PAPERCHK_CONTEXT_UNKNOWN : place.context;
    paperchk_place found;
    paperchk_error error;
    if (row.skip == 0) {
      const int status = paperchk_check_user_session(&platform, &found, &error);
      EXPECT_EQ(status, row.refusal ? PAPERCHK_NO_DECISION : PAPERCHK_OK) << what;
      EXPECT_EQ(found.execution_context, context) << what;
      EXPECT_EQ(std::string(error.message).rfind(row.refusal ? row.refusal : "", 0), 0u) << what << error.message;
    }
#ifdef _WIN32
    CountedFiles counted;
    paperchk_launch_options options{};
    options.platform = &platform;
    options.skip_user_session_check = row.skip;
    const paperchk_launch_result result = LaunchOn(counted, options);
    EXPECT_EQ(result.ending, row.refusal ? PAPERCHK_NO_USER_SESSION : PAPERCHK_FILE_FAILED) << what;
    EXPECT_EQ(counted.calls == 0, row.refusal != nullptr) << what << ": nothing is touched before the check";
    EXPECT_EQ(result.place.session_known, row.skip ? 0 : place.sessionKnown) << what;
#endif
  }
}

// The header's version is the project's (project() in CMakeLists.txt, passed
// in by the build), and the library reports the version of the header it was
// built with.
TEST(CInterface, VersionIsTheProjectsInHeaderAndLibrary) {
  EXPECT_STREQ(PAPERCHK_CLIENT_VERSION, PAPERCHK_PROJECT_VERSION);
  EXPECT_STREQ(paperchk_client_version(), PAPERCHK_CLIENT_VERSION);
}

}  // namespace

#ifdef _WIN32
namespace {

// Two exchange paths: different files, both there (so no other run takes
// the name), no space, in the temporary folder; a buffer too small is
// refused with the size needed and leaves no file behind.
TEST(CInterface, MakesUniqueSpaceFreeExchangePathsInTheTemporaryFolder) {
  char first[260];
  char second[260];
  paperchk_error error;
  ASSERT_EQ(paperchk_make_exchange_path(first, sizeof first, &error), PAPERCHK_OK) << error.message;
  ASSERT_EQ(paperchk_make_exchange_path(second, sizeof second, &error), PAPERCHK_OK) << error.message;
  EXPECT_STRNE(first, second);
  for (const char* path : {first, second}) {
    EXPECT_EQ(std::strchr(path, ' '), nullptr) << path;
    EXPECT_NE(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
    char folder[MAX_PATH + 1];
    char shortFolder[MAX_PATH + 1];
    ASSERT_NE(GetTempPathA(sizeof folder, folder), 0u);
    ASSERT_NE(GetShortPathNameA(folder, shortFolder, sizeof shortFolder), 0u);
    const char* expected = std::strchr(folder, ' ') != nullptr ? shortFolder : folder;
    EXPECT_EQ(std::strncmp(path, expected, std::strlen(expected)), 0) << path << " in " << expected;
    EXPECT_TRUE(DeleteFileA(path));
  }
  char small[8];
  EXPECT_EQ(paperchk_make_exchange_path(small, sizeof small, &error), PAPERCHK_REFUSED);
  EXPECT_EQ(error.rule, PAPERCHK_RULE_BUFFER_TOO_SMALL);
  EXPECT_EQ(error.limit, std::strlen(first) + 1) << "the same folder, a name of the same length";
  EXPECT_STREQ(small, "");
}

// The spooler's Unicode names: converted when the code page holds every
// character, else refused (no '?', no best-fit look-alike).
TEST(CInterface, UnicodeNamesConvertOnlyWhenTheCodePageHoldsThem) {
  const struct {
    const wchar_t* text;
    unsigned codePage;
    int rule;
    const char* bytes;
  } cases[] = {
      {L"\u30A8\u30D7\u30BD\u30F3", 932, PAPERCHK_RULE_NONE, "\x83\x47\x83\x76\x83\x5C\x83\x93"},
      {L"\uD55C", 949, PAPERCHK_RULE_NONE, "\xC7\xD1"},
      {L"Laser \u20AC", 932, PAPERCHK_RULE_NOT_IN_CODE_PAGE, ""},
      {L"\u00C4", 932, PAPERCHK_RULE_NOT_IN_CODE_PAGE, ""},  // best fit would send "A"
      {L"\u30A8\u30D7\u30BD\u30F3", 1252, PAPERCHK_RULE_NOT_IN_CODE_PAGE, ""},
      {L"\u30A8\u30D7\u30BD\u30F3", 932, PAPERCHK_RULE_BUFFER_TOO_SMALL, ""},  // 9 bytes into 8
  };
  for (const auto& c : cases) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    paperchk_error error;
    const std::size_t size = c.rule == PAPERCHK_RULE_BUFFER_TOO_SMALL ? 8 : sizeof buffer;
    EXPECT_EQ(paperchk_text_from_unicode(c.text, c.codePage, PAPERCHK_FIELD_PORT, buffer, size, &error),
              c.rule == PAPERCHK_RULE_NONE ? PAPERCHK_OK : PAPERCHK_REFUSED);
    EXPECT_EQ(error.rule, c.rule) << c.codePage;
    EXPECT_STREQ(buffer, c.bytes);
  }
}

// The host build's table of lead bytes is the system's.
TEST(CInterface, KnownLeadBytesAreTheSystemsOwn) {
  for (const unsigned codePage : {932u, 936u, 949u, 950u, 1252u}) {
    unsigned char known[PAPERCHK_MAX_LEAD_BYTE_RANGES][2];
    const std::size_t count = paperchk_known_lead_byte_ranges(codePage, known);
    CPINFO info;
    ASSERT_TRUE(GetCPInfo(codePage, &info));
    std::vector<unsigned char> system(info.LeadByte, info.LeadByte + 2 * count + 2);  // with the closing zeros
    std::vector<unsigned char> expected(&known[0][0], &known[0][0] + 2 * count);
    expected.insert(expected.end(), {0, 0});
    EXPECT_EQ(system, expected) << codePage;
  }
}

}  // namespace
#endif

#ifdef _WIN32
namespace {

// What the launcher refuses before anything starts, each with the ending
// and the field that say why: time fields outside their ranges (garbage
// included; 0 and the bounds pass), and an exchange path that is a device.
TEST(CInterface, OptionsOutOfRangeAndDevicePathsAreRefusedBeforeStart) {
  struct TimeRow {
    std::uint32_t paperchk_launch_options::*field;
    std::uint32_t value;
    int refused;  // the field named, or PAPERCHK_FIELD_NONE: accepted
  };
  const TimeRow rows[] = {
      {&paperchk_launch_options::decision_timeout_ms, 0xCCCCCCCCu, PAPERCHK_FIELD_DECISION_TIMEOUT},
      {&paperchk_launch_options::decision_timeout_ms, PAPERCHK_MAX_DECISION_TIMEOUT_MS, PAPERCHK_FIELD_NONE},
      {&paperchk_launch_options::end_timeout_ms, 0xFFFFFFFFu, PAPERCHK_FIELD_END_TIMEOUT},
      {&paperchk_launch_options::end_timeout_ms, PAPERCHK_MIN_END_TIMEOUT_MS, PAPERCHK_FIELD_NONE},
      {&paperchk_launch_options::poll_interval_ms, PAPERCHK_MIN_POLL_INTERVAL_MS - 1, PAPERCHK_FIELD_POLL_INTERVAL},
      {&paperchk_launch_options::poll_interval_ms, 0xCCCCCCCCu, PAPERCHK_FIELD_POLL_INTERVAL},
  };
  for (const TimeRow& row : rows) {
    CountedFiles counted;
    paperchk_launch_options options{};
    options.*row.field = row.value;
    const paperchk_launch_result result = LaunchOn(counted, options);
    EXPECT_EQ(result.ending, row.refused ? PAPERCHK_REQUEST_REFUSED : PAPERCHK_FILE_FAILED) << row.value;
    EXPECT_EQ(result.error.field, row.refused ? row.refused : PAPERCHK_FIELD_EXCHANGE_PATH) << row.value;
    EXPECT_EQ(counted.calls == 0, row.refused != PAPERCHK_FIELD_NONE) << row.value;
  }
  CountedFiles counted;
  paperchk_launch_options garbage{};
  garbage.poll_interval_ms = 0xCCCCCCCCu;
  EXPECT_STREQ(LaunchOn(counted, garbage).error.message,
               "poll interval is out of range (0 for the default, or 10 to 1000 ms)");

  // A device: refused before the start (of a program that is not there).
  paperchk_launch_result result;
  EXPECT_EQ(paperchk_launch_command_line("no-such.exe", "no-such.exe", "NUL", nullptr, &result), PAPERCHK_FILE_ERROR);
  EXPECT_EQ(result.ending, PAPERCHK_FILE_FAILED);
  EXPECT_EQ(result.error.rule, PAPERCHK_RULE_NOT_A_DISK_FILE) << result.error.message;
}


// Two launches on one exchange file would take each other's decisions: while
// one runs, a second on the same file by another of its names (from another
// thread; the names the real program can use are Launcher's rows) is refused with nothing touched, not even the first one's file; a
// second on another file goes ahead; once the first has returned, the file
// is free again, and the file its hold made is gone.
TEST(CInterface, ASecondLaunchOnAnExchangePathInUseIsRefusedWhateverItsName) {
  char folder[MAX_PATH + 1];
  ASSERT_NE(GetTempPathA(sizeof folder, folder), 0u);
  const std::string path = std::string(folder) + "paperchk-held.bin";
  const std::string hardLink = std::string(folder) + "paperchk-held-link.bin";
  const std::string otherFile = std::string(folder) + "paperchk-held-other.bin";
  std::string otherCase = path;
  for (char& c : otherCase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  otherCase.insert(otherCase.find_last_of('\\'), "\\.");

  CountedFiles gated;
  gated.entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  gated.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  paperchk_launch_result first;
  std::thread running([&] { first = LaunchOn(gated, {}, path.c_str()); });
  ASSERT_EQ(WaitForSingleObject(gated.entered, 60000), WAIT_OBJECT_0);
  (void)DeleteFileA(hardLink.c_str());
  ASSERT_TRUE(CreateHardLinkA(hardLink.c_str(), path.c_str(), nullptr)) << GetLastError();
  struct Row {
    const char* spelling;
    std::string second;
    bool sameFile;
  };
  const Row rows[] = {
      {"the same text", path, true},
      {"another case, a dot folder", otherCase, true},
      {"trailing dots and spaces", path + ". .", true},
      {"a hard link", hardLink, true},
      {"another file", otherFile, false},
  };
  for (const Row& row : rows) {
    CountedFiles counted;
    const paperchk_launch_result result = LaunchOn(counted, {}, row.second.c_str());
    std::printf("second launch, %s: %s\n", row.spelling, result.error.message);
    EXPECT_EQ(result.ending, row.sameFile ? PAPERCHK_EXCHANGE_PATH_IN_USE : PAPERCHK_FILE_FAILED)
        << row.spelling << ": " << row.second << ": " << result.error.message;
    EXPECT_EQ(result.error.rule, row.sameFile ? PAPERCHK_RULE_IN_USE : PAPERCHK_RULE_SYSTEM_FAILURE) << row.spelling;
    EXPECT_EQ(counted.calls == 0, row.sameFile) << row.spelling << ": the running launch's file is not touched";
  }
  SetEvent(gated.release);
  running.join();
  CloseHandle(gated.entered);
  CloseHandle(gated.release);
  EXPECT_EQ(first.ending, PAPERCHK_FILE_FAILED);
  CountedFiles counted;
  EXPECT_EQ(LaunchOn(counted, {}, path.c_str()).ending, PAPERCHK_FILE_FAILED) << "free once the first returned";
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the file the hold made is gone";
  EXPECT_EQ(GetFileAttributesA(otherFile.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileA(hardLink.c_str()));
}

}  // namespace
#endif
