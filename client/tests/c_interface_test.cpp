// The C interface: the same rules as the C++ builder, caller-owned buffers
// that are never overrun, and the exchange functions on real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "client/paperchk_client.h"

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

  request = SampleRequest();
  request.port = nullptr;
  EXPECT_EQ(paperchk_build_command_line("paperchk.exe", &request, buffer, sizeof buffer, &error),
            PAPERCHK_BAD_ARGUMENT);
  EXPECT_EQ(paperchk_build_command_line(nullptr, &request, buffer, sizeof buffer, nullptr), PAPERCHK_BAD_ARGUMENT);
  EXPECT_EQ(paperchk_build_command_line("paperchk.exe", &request, buffer, 0, nullptr), PAPERCHK_BAD_ARGUMENT);
}

TEST(CInterface, ExchangeFunctionsOnARealFile) {
  const char path[] = "paperchk-client-c-interface.bin";
  (void)std::remove(path);
  std::uint32_t decision = 99;
  ASSERT_EQ(paperchk_read_decision(path, &decision), PAPERCHK_OK);
  EXPECT_EQ(decision, 0u) << "no file: no decision yet";
  EXPECT_EQ(paperchk_write_completion_flag(path), PAPERCHK_FILE_ERROR);

  ASSERT_EQ(paperchk_prepare_exchange_file(path, 1), PAPERCHK_OK);
  ASSERT_EQ(paperchk_read_decision(path, &decision), PAPERCHK_OK);
  EXPECT_EQ(decision, 0u);
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write("\x07\0\0\0\0\0\0\0", 8);
  }
  EXPECT_EQ(paperchk_read_decision(path, &decision), PAPERCHK_FILE_ERROR);
  EXPECT_EQ(decision, 7u) << "the unexpected value is handed back";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write("\x01\0\0\0\0\0\0\0", 8);
  }
  ASSERT_EQ(paperchk_read_decision(path, &decision), PAPERCHK_OK);
  EXPECT_EQ(decision, 1u);
  ASSERT_EQ(paperchk_write_completion_flag(path), PAPERCHK_OK);
  ASSERT_EQ(paperchk_prepare_exchange_file(path, 0), PAPERCHK_OK);
  EXPECT_FALSE(std::ifstream(path).good());
  EXPECT_EQ(paperchk_read_decision(nullptr, &decision), PAPERCHK_BAD_ARGUMENT);
}

// The header's version is the project's (project() in CMakeLists.txt, passed
// in by the build), its parts agree with its text, and the library reports
// the version of the header it was built with.
TEST(CInterface, VersionIsTheProjectsInHeaderAndLibrary) {
  EXPECT_STREQ(PAPERCHK_VERSION, PAPERCHK_PROJECT_VERSION);
  const std::string parts = std::to_string(PAPERCHK_VERSION_MAJOR) + "." + std::to_string(PAPERCHK_VERSION_MINOR) +
                            "." + std::to_string(PAPERCHK_VERSION_PATCH);
  EXPECT_EQ(std::string(PAPERCHK_VERSION).rfind(parts, 0), 0u) << parts;
  EXPECT_STREQ(paperchk_client_version(), PAPERCHK_VERSION);
}

}  // namespace
