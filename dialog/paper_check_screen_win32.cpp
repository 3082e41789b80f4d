#include "dialog/paper_check_screen_win32.h"

#include "resources/resource_ids.h"

namespace paperchk::win {

namespace {

const struct {
  int list;
  ColumnRows PaperCheckView::*column;
} kColumns[] = {
    {IDC_SETTING_LIST, &PaperCheckView::settings},
    {IDC_APPLICATION_LIST, &PaperCheckView::applicationValues},
    {IDC_PRINTER_LIST, &PaperCheckView::printerValues},
};

const struct {
  int control;
  TextBuffer PaperCheckView::*text;
} kTexts[] = {
    {IDC_PORT_LABEL, &PaperCheckView::portLabel},
    {IDC_PORT_LINE1, &PaperCheckView::portFirstLine},
    {IDC_PORT_LINE2, &PaperCheckView::portSecondLine},
    {IDC_UPPER_MESSAGE, &PaperCheckView::upperMessage},
    {IDC_LOWER_MESSAGE, &PaperCheckView::lowerMessage},
    {IDC_SETTING_HEADER, &PaperCheckView::settingsHeader},
    {IDC_APPLICATION_HEADER, &PaperCheckView::applicationHeader},
    {IDC_RETRY, &PaperCheckView::retry},
    {IDC_IGNORE, &PaperCheckView::ignore},
    {IDC_CANCEL_PRINTING, &PaperCheckView::cancelPrinting},
    {IDC_HELP_BUTTON, &PaperCheckView::help},
    // Labels nobody sees, each just before a list or the tray list in the
    // template: a screen reader names those controls by them.
    {IDC_SETTING_LIST_NAME, &PaperCheckView::settingsHeader},
    {IDC_APPLICATION_LIST_NAME, &PaperCheckView::applicationHeader},
    {IDC_PRINTER_LIST_NAME, &PaperCheckView::printerHeader},
    {IDC_TRAY_COMBO_NAME, &PaperCheckView::printerHeader},
};

}  // namespace

ComboBox PaperCheckScreen::Trays() const { return ComboBox(GetDlgItem(dialog_, IDC_TRAY_COMBO)); }

void PaperCheckScreen::Show(const PaperCheckView& view) {
  Window(dialog_).SetText(view.title.c_str());

  // Rows go in at their own places: the lists are sorted ones, and an
  // insertion at a given place is the way to keep the items' order.
  for (const auto& column : kColumns) {
    const ColumnRows& rows = view.*column.column;
    for (int row = 0; row < rows.count; ++row) List(column.list).InsertString(row, rows.rows[row].c_str());
  }

  ComboBox trays = Trays();
  for (int entry = 0; entry < view.trays.count; ++entry) trays.AddString(view.trays.entries[entry].c_str());
  trays.SetCurSel(view.trays.chosen);

  for (const auto& text : kTexts) SetText(text.control, view.*text.text);
}

void PaperCheckScreen::ShowPrinterColumn(const ColumnRows& column) {
  ListBox printer = List(IDC_PRINTER_LIST);
  for (int row = 0; row < column.count; ++row) {
    printer.DeleteString(row);
    printer.InsertString(row, column.rows[row].c_str());
  }
}

TextBuffer PaperCheckScreen::ChosenTray() const {
  const ComboBox trays = Trays();
  const int chosen = trays.GetCurSel();
  const int length = trays.GetLBTextLen(chosen);
  // CB_GETLBTEXT cannot be told the buffer's size: an entry longer than a
  // text may hold is not read at all.
  if (length <= 0 || static_cast<std::size_t>(length) > TextBuffer::kMaxLength) return {};
  TextBuffer text;
  const int copied = trays.GetLBText(chosen, text.Resize(static_cast<std::size_t>(length)));
  if (copied <= 0) return {};
  text.Truncate(static_cast<std::size_t>(copied));
  return text;
}

}  // namespace paperchk::win
