#pragma once
#include "text/text_buffer.h"

namespace paperchk {

// What the paper-check logic needs from the dialog's controls. The Windows
// dialog implements it with the list-box and combo-box messages; host tests
// use an in-memory fake that behaves like the platform's controls.
class PaperCheckControls {
 public:
  virtual ~PaperCheckControls() = default;

  virtual void SetTitle(const char* text) = 0;
  virtual void SetControlText(int id, const char* text) = 0;

  // LB_INSERTSTRING at an explicit position (no sorting; a position just past
  // the last row appends; beyond that nothing is inserted).
  virtual void ListInsert(int id, int position, const char* text) = 0;
  // LB_DELETESTRING; deleting a row that does not exist does nothing.
  virtual void ListDelete(int id, int position) = 0;

  // CB_ADDSTRING on an unsorted drop-down list.
  virtual void ComboAdd(int id, const char* text) = 0;
  // CB_SELECTSTRING: case-insensitive prefix search starting after
  // `startAfter` (-1 searches from the top) and wrapping; selects and returns
  // the index found, or -1 (selection unchanged) when nothing matches.
  virtual int ComboSelectString(int id, int startAfter, const char* prefix) = 0;
  // CB_GETCURSEL: the selected index or -1.
  virtual int ComboGetCurSel(int id) = 0;
  // CB_GETLBTEXT: the text of an entry (empty for an invalid index).
  virtual TextBuffer ComboGetText(int id, int index) = 0;
};

}  // namespace paperchk
