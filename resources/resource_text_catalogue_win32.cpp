#include "resources/resource_text_catalogue.h"

#include <windows.h>

#include <vector>

namespace paperchk {

bool ResourceTextCatalogue::Lookup(std::int32_t number, std::string& text) const {
  text.clear();
  if (number < 0 || number > 65535) return false;
  HINSTANCE module = module_ != nullptr ? static_cast<HINSTANCE>(module_)
                                        : GetModuleHandleA(nullptr);

  // LoadStringA cuts a text that does not fit, so a result that fills the
  // buffer is read again with a larger one. A string-table entry holds at most
  // 65535 characters.
  constexpr int kLongestEntry = 65535;
  std::vector<char> buffer(512);
  for (;;) {
    const int length = LoadStringA(module, static_cast<UINT>(number), buffer.data(),
                                   static_cast<int>(buffer.size()));
    // 0 means no such string.
    if (length <= 0) return false;
    if (length < static_cast<int>(buffer.size()) - 1 ||
        static_cast<int>(buffer.size()) > kLongestEntry) {
      text.assign(buffer.data(), static_cast<std::size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace paperchk
