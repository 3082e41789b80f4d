#pragma once
#include "text/text_buffer.h"

namespace paperchk {

// The search a drop-down list makes when it is asked to select by a text:
// the first entry that starts with `prefix`, letters compared without regard
// to case, looking from the entry after `startAfter` to the last and then
// from the first back to `startAfter` itself; a `startAfter` outside the
// list searches from the first entry. Returns the entry's index, or -1 when
// none matches. Only ASCII letters are folded: the entries searched are
// catalogue texts, whose letters outside ASCII never pair with another case
// in the texts they are compared with.
int FindEntryByPrefix(const TextBuffer* entries, int count, int startAfter, const TextBuffer& prefix);

}  // namespace paperchk
