// Under a Japanese system code page (932), a driver's printer name and port
// whose characters end in the byte of a backslash: converted from Unicode
// and built by the client library as a driver does, they reach the dialog
// whole, and the decision lands in the driver's file. Run by its own ctest
// entry, in a Wine prefix started with the Japanese locale.

#include <string>
#include <vector>

#include "client/paperchk_client.hpp"
#include "e2e_support.h"
#include "sample_requests.h"

namespace e2e {
namespace {

using Rows = std::vector<std::wstring>;

// The system code page's bytes of a Unicode text, by the library's own
// conversion (refused, not replaced, when the code page cannot hold it).
::testing::AssertionResult InSystemCodePage(const std::wstring& text, int field, std::string& bytes) {
  char buffer[512];
  paperchk_error error{};
  if (paperchk_text_from_unicode(text.c_str(), 0, field, buffer, sizeof buffer, &error) != PAPERCHK_OK) {
    return ::testing::AssertionFailure() << error.message;
  }
  bytes = buffer;
  return ::testing::AssertionSuccess();
}

std::wstring FromSystemCodePage(const std::string& bytes) {
  std::wstring text(bytes.size(), L'\0');
  const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                         text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

TEST(CodePage, ShiftJisNameAndPortReachTheDialogWhole) {
  ASSERT_EQ(GetACP(), 932u) << "needs the Japanese system code page (Wine started with LC_ALL=ja_JP.UTF-8)";
  // "ソ" is 83 5C, "表" 95 5C, "能" 94 5C, "ポ" 83 7C; half-width "ｿ" is BF.
  const std::wstring name = L"エプソン表ｿ";
  const std::wstring port = L"ABCDEFGHIJKLMNソ表能ポXYZ";  // the 15th byte is the first of "ソ"

  paperchk_client::Request request = *SampleRequest("three-item");
  ASSERT_TRUE(InSystemCodePage(name, PAPERCHK_FIELD_PRINTER_NAME, request.printerName));
  ASSERT_TRUE(InSystemCodePage(port, PAPERCHK_FIELD_PORT, request.port));
  ASSERT_EQ(request.printerName.substr(4, 2), "\x83\x5C");
  Session session;
  ASSERT_TRUE(InSystemCodePage(session.exchangePath(), PAPERCHK_FIELD_EXCHANGE_PATH, request.exchangePath));
  std::string tail;
  const paperchk_client::BuildError built = paperchk_client::BuildCommandLineTail(request, tail);
  ASSERT_TRUE(built.ok()) << paperchk_client::Describe(built);

  ASSERT_TRUE(session.StartWithTail(FromSystemCodePage(tail)));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::WindowText(dialog), L"Verifica carta " + name);
  EXPECT_EQ(drv::ControlText(dialog, kPortLine1), L"ABCDEFGHIJKLMN");
  EXPECT_EQ(drv::ControlText(dialog, kPortLine2), L"ソ表能ポXYZ");
  EXPECT_EQ(drv::ListRows(dialog, kSettingList), (Rows{L"Percorso carta ", L"Formato carta", L"Tipo supporto"}));
  EXPECT_EQ(drv::ListRows(dialog, kApplicationList), (Rows{L"Vassoio carta  ", L"A4", L"Carta Comune"}));
  EXPECT_EQ(drv::ListRows(dialog, kPrinterList), CurrentTrayRows());

  ASSERT_TRUE(drv::ClickButton(dialog, kIgnore));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(2, 0));
}

}  // namespace
}  // namespace e2e
