#include "resources/resource_text_catalogue.h"

#include <windows.h>

namespace paperchk {

bool ResourceTextCatalogue::Lookup(std::int32_t number, TextBuffer& text) const {
  text.Clear();
  if (number < 0 || number > 65535) return false;
  HINSTANCE module = module_ != nullptr ? static_cast<HINSTANCE>(module_)
                                        : GetModuleHandleA(nullptr);

  // LoadStringA cuts a text that does not fit, so a result that fills the
  // buffer is read again with a larger one. A string-table entry holds at most
  // 65535 characters.
  constexpr int kLongestEntry = 65535;
  int capacity = 512;  // bytes, the NUL included
  for (;;) {
    char* buffer = text.Resize(static_cast<std::size_t>(capacity) - 1);
    const int length = LoadStringA(module, static_cast<UINT>(number), buffer, capacity);
    // 0 means no such string.
    if (length <= 0) {
      text.Clear();
      return false;
    }
    if (length < capacity - 1 || capacity > kLongestEntry) {
      text.Truncate(static_cast<std::size_t>(length));
      return true;
    }
    capacity *= 2;
  }
}

}  // namespace paperchk
