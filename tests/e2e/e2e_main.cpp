// paperchk_e2e: every end-to-end case under Wine (the ctest entries), or with
// --wine-only[=GROUP] the cases that need a means only Wine has; the others run
// through the self-test kit (selftest/) from the release's layout.
// --paperchk=PATH, --standin=PATH, --chm=PATH as in TakePaths.
#include <cstdio>
#include <cstring>
#include <string>

#include "e2e_groups.h"
#include "e2e_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string why;
  if (!e2e::TakePaths(argc, argv, why)) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    const char option[] = "--wine-only";
    if (std::strncmp(argv[i], option, sizeof option - 1) != 0) continue;
    const char* group = argv[i] + sizeof option - 1;
    GTEST_FLAG_SET(filter, e2e::WineOnlyFilter(*group == '=' ? group + 1 : ""));
  }
  std::printf("paperchk: %s\ninput: %s\n", drv::Utf8(e2e::g_paperchkPath).c_str(), e2e::Input().name());
  return RUN_ALL_TESTS();
}
