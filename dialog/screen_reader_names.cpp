#include "dialog/screen_reader_names.h"

#include "resources/resource_ids.h"

namespace paperchk {

void NameControlsForScreenReaders(const TextCatalogue& catalogue, PaperCheckControls& controls) {
  static const struct {
    int label;
    TextId text;
  } kNames[] = {
      {IDC_SETTING_LIST_NAME, kTextSettingsHeader},
      {IDC_APPLICATION_LIST_NAME, kTextApplicationHeader},
      {IDC_PRINTER_LIST_NAME, kTextPrinterPrefix},
      {IDC_TRAY_COMBO_NAME, kTextPrinterPrefix},
  };
  for (const auto& name : kNames) controls.SetControlText(name.label, Text(catalogue, name.text).c_str());
}

}  // namespace paperchk
