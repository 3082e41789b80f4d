#pragma once
#include <cstdint>

#include "resources/text_catalogue.h"

namespace paperchk {

// The catalogue as the Windows program carries it: the string-table resource
// built from resources/strings.rc, loaded at run time.
class ResourceTextCatalogue final : public TextCatalogue {
 public:
  // `module` is the module handle (HINSTANCE) whose string table is read;
  // nullptr means the program file itself.
  explicit ResourceTextCatalogue(void* module = nullptr) : module_(module) {}

  bool Lookup(std::int32_t number, TextBuffer& text) const override;

 private:
  void* module_;
};

}  // namespace paperchk
