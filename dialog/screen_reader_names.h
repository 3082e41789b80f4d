#pragma once
#include "dialog/paper_check_controls.h"
#include "resources/text_catalogue.h"

namespace paperchk {

// Gives the labels that are never shown (one just before each list and the
// tray selector in the template) the texts the dialog shows for those
// columns, so that a screen reader names the lists "Impostazioni",
// "Applicazione", "Stampante:" and the tray selector "Stampante:".
void NameControlsForScreenReaders(const TextCatalogue& catalogue, PaperCheckControls& controls);

}  // namespace paperchk
