// Checks the program's resources as the test program carries them (it links
// resources/paperchk.rc): the two dialog templates as stored and as the
// platform builds them, the pictures, the manifest and the version block.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "paperchk_version.h"
#include "resources/picture_scale.h"
#include "resources/resource_ids.h"

namespace {

// ---------------------------------------------------------------------------
// Expected layouts

struct ExpectedControl {
  int id;                  // -1 for the two pictures, which have no number
  const char* class_name;  // window class
  DWORD style;             // as written in the template, WS_CHILD | WS_VISIBLE added
  DWORD ex_style;
  const char* text;        // placeholder; nullptr when the title names a picture
  WORD picture;            // resource number of the picture, else 0
  int x, y, cx, cy;        // dialog units
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kHeader = kChild | SS_CENTER | SS_SUNKEN | WS_GROUP;
constexpr DWORD kList =
    kChild | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL;
// A label a screen reader reads and nobody sees, on the named control's place.
constexpr DWORD kHiddenLabel = WS_CHILD | SS_LEFT | SS_NOPREFIX;

// Template 102, in template order (which is also the tab order).
const ExpectedControl kPaperCheckControls[] = {
    {IDC_IGNORE, "Button", kButton, 0, "BUTTON2", 0, 102, 181, 58, 14},
    {IDC_SETTING_HEADER, "Static", kHeader, 0, "SETNAME", 0, 5, 75, 72, 12},
    {IDC_APPLICATION_HEADER, "Static", kHeader, 0, "APRINAME", 0, 79, 75, 103, 12},
    {IDC_LOWER_MESSAGE, "Static", kChild | SS_LEFT | WS_GROUP, 0, "WRMES2", 0, 5, 140, 312, 37},
    {IDC_UPPER_MESSAGE, "Static", kChild | SS_LEFT | WS_GROUP, 0, "WRMES1", 0, 43, 13, 153, 40},
    {-1, "Static", kChild | SS_BITMAP | SS_CENTERIMAGE | SS_SUNKEN, WS_EX_CLIENTEDGE, nullptr,
     IDB_PRINTER, 237, 6, 79, 63},
    {-1, "Static", kChild | SS_ICON, 0, nullptr, IDI_ATTENTION, 11, 24, 21, 20},
    {IDC_SETTING_LIST_NAME, "Static", kHiddenLabel, 0, "", 0, 5, 87, 73, 51},
    {IDC_SETTING_LIST, "ListBox", kList, 0, "", 0, 5, 87, 73, 51},
    {IDC_APPLICATION_LIST_NAME, "Static", kHiddenLabel, 0, "", 0, 78, 87, 105, 51},
    {IDC_APPLICATION_LIST, "ListBox", kList, 0, "", 0, 78, 87, 105, 51},
    {IDC_PRINTER_LIST_NAME, "Static", kHiddenLabel, 0, "", 0, 183, 87, 134, 51},
    {IDC_PRINTER_LIST, "ListBox", kList, 0, "", 0, 183, 87, 134, 51},
    {IDC_CANCEL_PRINTING, "Button", kButton, 0, "BUTTON3", 0, 181, 181, 58, 14},
    {IDC_RETRY, "Button", kButton, 0, "BUTTON1", 0, 23, 181, 58, 14},
    {IDC_TRAY_COMBO_NAME, "Static", kHiddenLabel, 0, "", 0, 183, 75, 134, 53},
    {IDC_TRAY_COMBO, "ComboBox", kChild | CBS_DROPDOWNLIST | WS_VSCROLL, 0, "", 0, 183, 75, 134, 53},
    {IDC_PORT_LABEL, "Static", kChild | SS_LEFT, 0, "Port : ", 0, 44, 55, 28, 8},
    {IDC_HELP_BUTTON, "Button", kButton, 0, "BUTTON4", 0, 259, 181, 58, 14},
    {IDC_PORT_LINE1, "Static", kChild | SS_LEFT, 0, "PORT1", 0, 74, 55, 122, 8},
    {IDC_PORT_LINE2, "Static", kChild | SS_LEFT, 0, "", 0, 73, 65, 125, 8},
};

const ExpectedControl kWaitControls[] = {
    {IDC_WAIT_MESSAGE, "Static", kChild | SS_LEFT | SS_SUNKEN, 0, "2MES1", 0, 18, 7, 159, 18},
};

constexpr DWORD kPaperCheckStyle =
    DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kWaitStyle = DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | WS_POPUP;

// ---------------------------------------------------------------------------
// Reading a stored dialog template (classic DLGTEMPLATE or extended form)

// A menu, class or title field: either a resource number or a text.
struct NameOrNumber {
  bool is_number = false;
  WORD number = 0;
  std::string text;  // the UTF-16 text narrowed; the templates hold ASCII only
};

struct TemplateControl {
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  NameOrNumber window_class;
  NameOrNumber title;
};

struct StoredTemplate {
  bool extended = false;
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  NameOrNumber menu;
  NameOrNumber window_class;
  std::string caption;
  WORD point_size = 0;
  std::string face;
  std::vector<TemplateControl> controls;
  bool overrun = false;  // the data ended before the template did
};

// Bounds-checked cursor over the resource bytes; reading past the end yields
// zeros and sets `overrun`.
class TemplateCursor {
 public:
  TemplateCursor(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

  bool overrun() const { return overrun_; }

  WORD Word() {
    WORD value = 0;
    Copy(&value, sizeof value);
    return value;
  }
  DWORD Dword() {
    DWORD value = 0;
    Copy(&value, sizeof value);
    return value;
  }
  int Coordinate() { return static_cast<short>(Word()); }

  std::string Text() {
    std::string text;
    for (WORD unit = Word(); unit != 0 && !overrun_; unit = Word())
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    return text;
  }

  NameOrNumber Field() {
    NameOrNumber field;
    if (Peek() == 0xFFFF) {
      Word();
      field.is_number = true;
      field.number = Word();
    } else {
      field.text = Text();
    }
    return field;
  }

  void Skip(std::size_t count) {
    if (count > size_ - position_) {
      overrun_ = true;
      position_ = size_;
    } else {
      position_ += count;
    }
  }

  // Controls start on 4-byte boundaries, counted from the template's start.
  void AlignToDword() { Skip((4 - position_ % 4) % 4); }

 private:
  WORD Peek() const {
    WORD value = 0;
    if (sizeof value <= size_ - position_) std::memcpy(&value, data_ + position_, sizeof value);
    return value;
  }
  void Copy(void* out, std::size_t count) {
    if (count > size_ - position_) {
      overrun_ = true;
      position_ = size_;
      return;
    }
    std::memcpy(out, data_ + position_, count);
    position_ += count;
  }

  const BYTE* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool overrun_ = false;
};

StoredTemplate ParseTemplate(const BYTE* data, std::size_t size) {
  StoredTemplate result;
  TemplateCursor cursor(data, size);
  WORD count = 0;
  if (size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
    result.extended = true;
    cursor.Skip(4);  // version 1, signature 0xFFFF
    cursor.Dword();  // help id
    result.ex_style = cursor.Dword();
    result.style = cursor.Dword();
  } else {
    result.style = cursor.Dword();
    result.ex_style = cursor.Dword();
  }
  count = cursor.Word();
  result.x = cursor.Coordinate();
  result.y = cursor.Coordinate();
  result.cx = cursor.Coordinate();
  result.cy = cursor.Coordinate();
  result.menu = cursor.Field();
  result.window_class = cursor.Field();
  result.caption = cursor.Text();
  if (result.style & (DS_SETFONT | DS_SHELLFONT)) {
    result.point_size = cursor.Word();
    if (result.extended) cursor.Skip(4);  // weight, italic, character set
    result.face = cursor.Text();
  }
  for (WORD i = 0; i < count && !cursor.overrun(); ++i) {
    cursor.AlignToDword();
    TemplateControl control;
    if (result.extended) {
      cursor.Dword();  // help id
      control.ex_style = cursor.Dword();
      control.style = cursor.Dword();
    } else {
      control.style = cursor.Dword();
      control.ex_style = cursor.Dword();
    }
    control.x = cursor.Coordinate();
    control.y = cursor.Coordinate();
    control.cx = cursor.Coordinate();
    control.cy = cursor.Coordinate();
    control.id = result.extended ? cursor.Dword() : cursor.Word();
    control.window_class = cursor.Field();
    control.title = cursor.Field();
    cursor.Skip(cursor.Word());  // creation data
    result.controls.push_back(control);
  }
  result.overrun = cursor.overrun();
  return result;
}

// The predefined control classes that a template may name by number.
std::string ClassName(const NameOrNumber& field) {
  if (!field.is_number) return field.text;
  switch (field.number) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(field.number);
  }
}

bool SameClass(const std::string& actual, const char* expected) {
  return lstrcmpiA(actual.c_str(), expected) == 0;
}

// The raw bytes of one resource of the test program, in Italian.
struct ResourceBytes {
  const BYTE* data = nullptr;
  std::size_t size = 0;
};

ResourceBytes FindItalianResource(LPCSTR type, WORD number) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(number),
                                MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN));
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return {};
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

StoredTemplate LoadStoredTemplate(WORD number) {
  ResourceBytes bytes = FindItalianResource(MAKEINTRESOURCEA(5) /* RT_DIALOG */, number);
  if (!bytes.data) {
    StoredTemplate missing;
    missing.overrun = true;
    return missing;
  }
  return ParseTemplate(bytes.data, bytes.size);
}

void ExpectStoredControls(const StoredTemplate& stored, const ExpectedControl* expected,
                          std::size_t count) {
  ASSERT_EQ(stored.controls.size(), count);
  for (std::size_t i = 0; i < count; ++i) {
    const TemplateControl& actual = stored.controls[i];
    const ExpectedControl& want = expected[i];
    SCOPED_TRACE("template control #" + std::to_string(i + 1) + ", id " + std::to_string(want.id));
    // Ids compare on 16 bits: the classic form stores a WORD, the extended a DWORD.
    EXPECT_EQ(static_cast<WORD>(actual.id), static_cast<WORD>(want.id));
    EXPECT_PRED2(SameClass, ClassName(actual.window_class), want.class_name);
    // Exact styles: a shorthand statement's extra default styles show here.
    EXPECT_EQ(actual.style, want.style) << std::hex << "0x" << actual.style;
    EXPECT_EQ(actual.ex_style, want.ex_style) << std::hex << "0x" << actual.ex_style;
    if (want.picture) {
      EXPECT_TRUE(actual.title.is_number);
      EXPECT_EQ(actual.title.number, want.picture);
    } else {
      EXPECT_FALSE(actual.title.is_number);
      EXPECT_EQ(actual.title.text, want.text);
    }
    EXPECT_EQ(actual.x, want.x);
    EXPECT_EQ(actual.y, want.y);
    EXPECT_EQ(actual.cx, want.cx);
    EXPECT_EQ(actual.cy, want.cy);
  }
}

// ---------------------------------------------------------------------------
// Dialogs as the platform builds them

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A modeless, never shown dialog built from one of the templates.
class HiddenDialog {
 public:
  explicit HiddenDialog(WORD number)
      : hwnd_(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(number), nullptr,
                                 QuietDialogProc, 0)) {}
  ~HiddenDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HiddenDialog(const HiddenDialog&) = delete;
  HiddenDialog& operator=(const HiddenDialog&) = delete;

  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

std::vector<HWND> ChildrenInOrder(HWND dialog) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

std::string WindowText(HWND hwnd) {
  char text[256] = {};
  GetWindowTextA(hwnd, text, static_cast<int>(sizeof text));
  return text;
}

std::string WindowClass(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, static_cast<int>(sizeof name));
  return name;
}

// The control's window rectangle in the dialog's client coordinates.
RECT RectInDialog(HWND dialog, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The dialog manager converts a control's position and its size from dialog
// units each on its own, so the right edge is map(x) + map(cx), which can
// differ by a pixel from map(x + cx).
RECT TemplateRectInPixels(HWND dialog, const ExpectedControl& control) {
  RECT converted{control.x, control.y, control.cx, control.cy};
  MapDialogRect(dialog, &converted);
  return {converted.left, converted.top, converted.left + converted.right,
          converted.top + converted.bottom};
}

// The style bits that survive window creation unchanged; the others are left
// to the stored-template check. A push button may become the default button
// when it gets the focus; a list box trades WS_BORDER for a client edge in a
// 3D dialog and drops WS_VSCROLL while its scroll bar is hidden; a combo box
// hands its scroll bar to its drop-down list.
DWORD StableStyleBits(const char* class_name) {
  const DWORD window_bits = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
  if (SameClass(class_name, "Button")) return window_bits | WS_BORDER;
  if (SameClass(class_name, "Static")) {
    return window_bits | WS_BORDER | SS_TYPEMASK | SS_CENTERIMAGE | SS_SUNKEN;
  }
  if (SameClass(class_name, "ListBox")) {
    return window_bits | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_MULTIPLESEL |
           LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE | LBS_EXTENDEDSEL | LBS_NOSEL;
  }
  return window_bits | WS_BORDER | CBS_DROPDOWNLIST | CBS_SIMPLE | CBS_SORT;
}

void ExpectBuiltControls(HWND dialog, const ExpectedControl* expected, std::size_t count) {
  std::vector<HWND> children = ChildrenInOrder(dialog);
  ASSERT_EQ(children.size(), count);
  for (std::size_t i = 0; i < count; ++i) {
    HWND child = children[i];
    const ExpectedControl& want = expected[i];
    SCOPED_TRACE("control #" + std::to_string(i + 1) + ", id " + std::to_string(want.id));

    EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(want.id));
    EXPECT_PRED2(SameClass, WindowClass(child), want.class_name);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    const DWORD mask = StableStyleBits(want.class_name);
    EXPECT_EQ(style & mask, want.style & mask) << std::hex << "style 0x" << style;
    if (want.ex_style) {
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE)) & want.ex_style, want.ex_style);
    }
    if (want.text) {
      EXPECT_EQ(WindowText(child), want.text);
    }

    const RECT actual = RectInDialog(dialog, child);
    const RECT wanted = TemplateRectInPixels(dialog, want);
    EXPECT_EQ(actual.left, wanted.left);
    EXPECT_EQ(actual.top, wanted.top);
    if (want.picture == IDI_ATTENTION) {
      // An icon control takes the size of its icon.
      EXPECT_EQ(actual.right - actual.left, GetSystemMetrics(SM_CXICON));
      EXPECT_EQ(actual.bottom - actual.top, GetSystemMetrics(SM_CYICON));
    } else if (SameClass(want.class_name, "ComboBox")) {
      // A drop-down list shows only its selection field; the template's
      // height, that of the dropped-down list, is checked in the stored form
      // (platforms differ in how they report the dropped rectangle).
      EXPECT_EQ(actual.right, wanted.right);
    } else {
      EXPECT_EQ(actual.right, wanted.right);
      EXPECT_EQ(actual.bottom, wanted.bottom);
    }
  }
}

// ---------------------------------------------------------------------------
// Template 102, the paper-check dialog

TEST(PaperCheckTemplate, StoredFormStylesFontAndControls) {
  const StoredTemplate stored = LoadStoredTemplate(IDD_PAPER_CHECK);
  ASSERT_FALSE(stored.overrun) << "template 102 missing or cut short";
  EXPECT_TRUE(stored.extended);
  EXPECT_EQ(stored.style, kPaperCheckStyle) << std::hex << "0x" << stored.style;
  EXPECT_EQ(stored.ex_style, 0u);
  EXPECT_EQ(stored.x, 0);
  EXPECT_EQ(stored.y, 0);
  EXPECT_EQ(stored.cx, 340);
  EXPECT_EQ(stored.cy, 202);
  EXPECT_FALSE(stored.menu.is_number);
  EXPECT_EQ(stored.menu.text, "");
  EXPECT_FALSE(stored.window_class.is_number);
  EXPECT_EQ(stored.window_class.text, "");
  EXPECT_EQ(stored.caption, "TITTLE");
  EXPECT_EQ(stored.point_size, 8);
  EXPECT_EQ(stored.face, "MS Sans Serif");
  ExpectStoredControls(stored, kPaperCheckControls, std::size(kPaperCheckControls));
}

TEST(PaperCheckTemplate, NoButtonIsTheDefaultButton) {
  const StoredTemplate stored = LoadStoredTemplate(IDD_PAPER_CHECK);
  ASSERT_FALSE(stored.overrun);
  int buttons = 0;
  for (const TemplateControl& control : stored.controls) {
    if (!SameClass(ClassName(control.window_class), "Button")) continue;
    ++buttons;
    EXPECT_EQ(control.style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON)) << "id " << control.id;
  }
  EXPECT_EQ(buttons, 4);
}

TEST(PaperCheckTemplate, BuiltDialogHasCaptionAndControlsInTemplateOrder) {
  HiddenDialog dialog(IDD_PAPER_CHECK);
  ASSERT_NE(dialog.hwnd(), nullptr) << "CreateDialogParamA failed: " << GetLastError();
  EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
  EXPECT_EQ(WindowText(dialog.hwnd()), "TITTLE");

  const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog.hwnd(), GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

  // The client area is the template's size in dialog units.
  RECT client{};
  GetClientRect(dialog.hwnd(), &client);
  RECT wanted{0, 0, 340, 202};
  MapDialogRect(dialog.hwnd(), &wanted);
  EXPECT_EQ(client.right, wanted.right);
  EXPECT_EQ(client.bottom, wanted.bottom);

  ExpectBuiltControls(dialog.hwnd(), kPaperCheckControls, std::size(kPaperCheckControls));
}

TEST(PaperCheckTemplate, OnlyTheFourButtonsAreTabStopsIgnoraFirst) {
  HiddenDialog dialog(IDD_PAPER_CHECK);
  ASSERT_NE(dialog.hwnd(), nullptr);

  // The first tab stop is where the focus goes when the dialog starts.
  HWND first = GetNextDlgTabItem(dialog.hwnd(), nullptr, FALSE);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetDlgCtrlID(first), IDC_IGNORE);

  std::vector<int> cycle;
  HWND item = GetDlgItem(dialog.hwnd(), IDC_IGNORE);
  for (int step = 0; step < 5 && item; ++step) {
    item = GetNextDlgTabItem(dialog.hwnd(), item, FALSE);
    if (item) cycle.push_back(GetDlgCtrlID(item));
  }
  const std::vector<int> expected = {IDC_CANCEL_PRINTING, IDC_RETRY, IDC_HELP_BUTTON, IDC_IGNORE,
                                     IDC_CANCEL_PRINTING};
  EXPECT_EQ(cycle, expected);
}

TEST(PaperCheckTemplate, PictureControlsShowTheirPictures) {
  HiddenDialog dialog(IDD_PAPER_CHECK);
  ASSERT_NE(dialog.hwnd(), nullptr);
  std::vector<HWND> children = ChildrenInOrder(dialog.hwnd());
  ASSERT_EQ(children.size(), std::size(kPaperCheckControls));

  HBITMAP shown_bitmap =
      reinterpret_cast<HBITMAP>(SendMessageA(children[5], STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(shown_bitmap, nullptr);
  BITMAP bitmap{};
  ASSERT_NE(GetObjectA(shown_bitmap, sizeof bitmap, &bitmap), 0);
  EXPECT_EQ(bitmap.bmWidth, 112);
  EXPECT_EQ(bitmap.bmHeight, 86);

  EXPECT_NE(SendMessageA(children[6], STM_GETICON, 0, 0), 0);
}

// ---------------------------------------------------------------------------
// Template 148, the wait box

TEST(WaitTemplate, StoredFormStylesFontAndControl) {
  const StoredTemplate stored = LoadStoredTemplate(IDD_RETRIEVE_WAIT);
  ASSERT_FALSE(stored.overrun) << "template 148 missing or cut short";
  EXPECT_FALSE(stored.extended);
  EXPECT_EQ(stored.style, kWaitStyle) << std::hex << "0x" << stored.style;
  EXPECT_EQ(stored.ex_style, 0u);
  EXPECT_EQ(stored.cx, 195);
  EXPECT_EQ(stored.cy, 41);
  EXPECT_EQ(stored.caption, "");
  EXPECT_EQ(stored.point_size, 8);
  EXPECT_EQ(stored.face, "MS Sans Serif");
  ExpectStoredControls(stored, kWaitControls, std::size(kWaitControls));
}

TEST(WaitTemplate, BuiltBoxHasNoTitleBarAndOneSunkenText) {
  HiddenDialog dialog(IDD_RETRIEVE_WAIT);
  ASSERT_NE(dialog.hwnd(), nullptr) << "CreateDialogParamA failed: " << GetLastError();
  const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog.hwnd(), GWL_STYLE));
  EXPECT_NE(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_FALSE(style & WS_SYSMENU);

  RECT client{};
  GetClientRect(dialog.hwnd(), &client);
  RECT wanted{0, 0, 195, 41};
  MapDialogRect(dialog.hwnd(), &wanted);
  EXPECT_EQ(client.right, wanted.right);
  EXPECT_EQ(client.bottom, wanted.bottom);

  ExpectBuiltControls(dialog.hwnd(), kWaitControls, std::size(kWaitControls));
}

// ---------------------------------------------------------------------------
// Pictures

TEST(Pictures, PrinterBitmapIs112By86With16Colours) {
  ResourceBytes bytes = FindItalianResource(MAKEINTRESOURCEA(2) /* RT_BITMAP */, IDB_PRINTER);
  ASSERT_NE(bytes.data, nullptr);
  ASSERT_GE(bytes.size, sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header{};
  std::memcpy(&header, bytes.data, sizeof header);
  EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(header.biWidth, 112);
  EXPECT_EQ(header.biHeight, 86);  // positive: stored bottom-up
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  // Header, 16 palette entries and 86 rows of 56 bytes: nothing missing.
  EXPECT_EQ(bytes.size, sizeof header + 16 * sizeof(RGBQUAD) + 86 * 56);

  HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(IDB_PRINTER), IMAGE_BITMAP, 0,
                                                   0, LR_CREATEDIBSECTION));
  ASSERT_NE(loaded, nullptr);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectA(loaded, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmWidth, 112);
  EXPECT_EQ(section.dsBm.bmHeight, 86);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 4);
  DeleteObject(loaded);
}

TEST(Pictures, PrinterIsDrawnForEachLargerScaleRunLengthEncoded) {
  for (const paperchk::PictureScale& scale : paperchk::kPrinterPictures) {
    if (scale.bitmapId == IDB_PRINTER) continue;  // the test above
    SCOPED_TRACE(std::to_string(scale.percent) + " %");
    ResourceBytes bytes = FindItalianResource(MAKEINTRESOURCEA(2) /* RT_BITMAP */, static_cast<WORD>(scale.bitmapId));
    ASSERT_NE(bytes.data, nullptr);
    ASSERT_GE(bytes.size, sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    BITMAPINFOHEADER header{};
    std::memcpy(&header, bytes.data, sizeof header);
    const int width = (112 * scale.percent + 50) / 100;
    const int height = (86 * scale.percent + 50) / 100;
    EXPECT_EQ(header.biWidth, width);
    EXPECT_EQ(header.biHeight, height);
    EXPECT_EQ(header.biBitCount, 4);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RLE4));
    EXPECT_EQ(bytes.size, sizeof header + 16 * sizeof(RGBQUAD) + header.biSizeImage);
    // Smaller than the plain 4-bit rows it stands for, or not worth its kind.
    EXPECT_LT(header.biSizeImage, static_cast<DWORD>(height * ((width * 4 + 31) / 32 * 4)));

    // The platform decodes it into a bitmap of that size.
    HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(scale.bitmapId),
                                                     IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(loaded, nullptr);
    BITMAP bitmap{};
    ASSERT_NE(GetObjectA(loaded, sizeof bitmap, &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidth, width);
    EXPECT_EQ(bitmap.bmHeight, height);
    DeleteObject(loaded);
  }
}

#pragma pack(push, 2)
struct IconGroupHeader {
  WORD reserved;
  WORD type;  // 1 for icons
  WORD count;
};
struct IconGroupEntry {
  BYTE width, height, colour_count, reserved;
  WORD planes, bit_count;
  DWORD bytes_in_image;
  WORD image_number;
};
#pragma pack(pop)

TEST(Pictures, AttentionIconHasA16ColourImageForEachSizeThe32By32Among) {
  ResourceBytes group = FindItalianResource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_ATTENTION);
  ASSERT_NE(group.data, nullptr);
  ASSERT_GE(group.size, sizeof(IconGroupHeader));
  IconGroupHeader header{};
  std::memcpy(&header, group.data, sizeof header);
  EXPECT_EQ(header.type, 1);
  ASSERT_EQ(group.size, sizeof header + header.count * sizeof(IconGroupEntry));
  // The sizes the platform asks for from 100 to 200 %, small icons included.
  const std::vector<int> wanted_sizes = {16, 20, 24, 32, 40, 48, 64};
  std::vector<int> sizes;
  for (WORD i = 0; i < header.count; ++i) {
    IconGroupEntry entry{};
    std::memcpy(&entry, group.data + sizeof header + i * sizeof entry, sizeof entry);
    SCOPED_TRACE("image " + std::to_string(entry.width));
    sizes.push_back(entry.width);
    EXPECT_EQ(entry.height, entry.width);
    EXPECT_EQ(entry.colour_count, 16);
    EXPECT_EQ(entry.bit_count, 4);

    // The image itself: 4-bit colour bits followed by the 1-bit mask, rows
    // padded to 4 bytes.
    ResourceBytes image = FindItalianResource(MAKEINTRESOURCEA(3) /* RT_ICON */, entry.image_number);
    ASSERT_NE(image.data, nullptr);
    ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER bits{};
    std::memcpy(&bits, image.data, sizeof bits);
    EXPECT_EQ(bits.biWidth, entry.width);
    EXPECT_EQ(bits.biHeight, 2 * entry.width);  // colour and mask halves
    EXPECT_EQ(bits.biBitCount, 4);
    const std::size_t colour_row = (entry.width * 4u + 31) / 32 * 4;
    const std::size_t mask_row = (entry.width + 31u) / 32 * 4;
    EXPECT_EQ(image.size, sizeof bits + 16 * sizeof(RGBQUAD) + entry.width * (colour_row + mask_row));
  }
  EXPECT_EQ(sizes, wanted_sizes);

  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                             MAKEINTRESOURCEA(IDI_ATTENTION), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_TRUE(info.fIcon);
  BITMAP colour{};
  ASSERT_NE(info.hbmColor, nullptr);
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR collected) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(collected);
  names->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                                        : std::string(name));
  return TRUE;
}

TEST(Pictures, IconWithNumber146IsTheOnlyIconNoWindowIcon128) {
  HMODULE module = GetModuleHandleA(nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(IDI_WINDOW_ICON), MAKEINTRESOURCEA(14)), nullptr);
  EXPECT_EQ(LoadIconA(module, MAKEINTRESOURCEA(IDI_WINDOW_ICON)), nullptr);

  std::vector<std::string> icons;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, CollectName,
                     reinterpret_cast<LONG_PTR>(&icons));
  EXPECT_EQ(icons, std::vector<std::string>{"#146"});
}

// ---------------------------------------------------------------------------
// Manifest and version block

// The process's manifest (resource 1), empty when missing.
std::string ProgramManifest() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
  const char* data = found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : nullptr;
  return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

TEST(ProgramResources, ManifestRunsAsInvokerWithVersion6CommonControls) {
  const std::string manifest = ProgramManifest();
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(manifest.find("<supportedOS "), std::string::npos);
}

TEST(ProgramResources, ManifestDeclaresPerMonitorDpiAwarenessWithFallbacks) {
  const std::string manifest = ProgramManifest();
  ASSERT_FALSE(manifest.empty());
  // Newer systems read the 2016 element (first name they know wins); older
  // ones the 2005 element: per monitor on 8.1, system-aware before.
  EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                          "PerMonitorV2, PerMonitor</dpiAwareness>"),
            std::string::npos);
  EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                          "true/pm</dpiAware>"),
            std::string::npos);
  EXPECT_NE(manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"), std::string::npos);
}

std::string VersionString(const std::vector<char>& block, const char* name) {
  const std::string path = std::string("\\StringFileInfo\\041004E4\\") + name;
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
      !value) {
    return "<missing>";
  }
  return std::string(value, strnlen(value, length));
}

// The version block of a built program, read with the platform's version
// API, against the project's version (CMakeLists.txt).
void ExpectVersionBlock(const char* path) {
  SCOPED_TRACE(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_NE(fixed, nullptr);
  const DWORD high = (PAPERCHK_VERSION_MAJOR << 16) | PAPERCHK_VERSION_MINOR;
  const DWORD low = (PAPERCHK_VERSION_PATCH << 16) | PAPERCHK_VERSION_TWEAK;
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(VersionString(block, "FileVersion"), PAPERCHK_VERSION_QUAD);
  EXPECT_EQ(VersionString(block, "ProductVersion"), PAPERCHK_VERSION_QUAD);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0410);  // Italian
  EXPECT_EQ(translation[1], 1252);

  EXPECT_EQ(VersionString(block, "FileDescription"), "Verifica carta");
  EXPECT_EQ(VersionString(block, "InternalName"), "paperchk");
  EXPECT_EQ(VersionString(block, "OriginalFilename"), "paperchk.exe");
  EXPECT_EQ(VersionString(block, "ProductName"), "paperchk");
  EXPECT_EQ(VersionString(block, "CompanyName"), "<missing>");
}

TEST(ProgramResources, VersionBlockIsItalianWithTheProjectsVersion) {
  char path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  ExpectVersionBlock(path);
}

// The built paperchk.exe itself (its path comes from ctest), and the
// manifest's identity in it.
TEST(ProgramResources, BuiltProgramCarriesTheProjectsVersion) {
  char path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("PAPERCHK_PROGRAM", path, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH) << "PAPERCHK_PROGRAM names the built paperchk.exe";
  ExpectVersionBlock(path);

  HMODULE program = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
  ASSERT_NE(found, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(program, found)));
  ASSERT_NE(data, nullptr);
  const std::string manifest(data, SizeofResource(program, found));
  FreeLibrary(program);
  EXPECT_NE(manifest.find("name=\"paperchk\" version=\"" PAPERCHK_VERSION_QUAD "\""), std::string::npos);
}

}  // namespace
