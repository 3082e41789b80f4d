// Under a Japanese system code page (932; its own ctest entry starts Wine
// with the Japanese locale): a printer name and a port whose characters end
// in the byte of a backslash, converted from Unicode and built by the client
// library as a driver does, reach the dialog whole, and the decision lands in
// the driver's file.

#include <string>
#include <vector>

#include "client/paperchk_client.hpp"
#include "e2e_support.h"
#include "sample_requests.h"

namespace e2e {
namespace {

std::string InSystemCodePage(const std::wstring& text) {
  char bytes[512];
  paperchk_error error{};
  if (paperchk_text_from_unicode(text.c_str(), 0, PAPERCHK_FIELD_PORT, bytes, sizeof bytes, &error) != PAPERCHK_OK) {
    ADD_FAILURE() << error.message;
  }
  return bytes;
}

TEST(CodePage, ShiftJisNameAndPortReachTheDialogWhole) {
  ASSERT_EQ(GetACP(), 932u) << "needs Wine started with LC_ALL=ja_JP.UTF-8";
  // "ソ" is 83 5C, "表" 95 5C, "能" 94 5C, "ポ" 83 7C; half-width "ｿ" is BF.
  const std::wstring name = L"エプソン表ｿ";
  Session session;
  paperchk_client::Request request = *SampleRequest("three-item");
  request.printerName = InSystemCodePage(name);
  request.port = InSystemCodePage(L"ABCDEFGHIJKLMNソ表能ポXYZ");  // the 15th byte starts "ソ"

  ASSERT_TRUE(session.Start(request));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::WindowText(dialog), L"Verifica carta " + name);
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LINE1), L"ABCDEFGHIJKLMN");
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LINE2), L"ソ表能ポXYZ");
  using Rows = std::vector<std::wstring>;
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), (Rows{L"Percorso carta ", L"Formato carta", L"Tipo supporto"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST), (Rows{L"Vassoio carta  ", L"A4", L"Carta Comune"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());

  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
}

}  // namespace
}  // namespace e2e
