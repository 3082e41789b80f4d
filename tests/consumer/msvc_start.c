/* What an MSVC-ABI program takes from its C runtime's static part, for the
 * consumer test's links against import libraries alone (made from Wine's
 * export lists for ARM64 and x64, where no such part is at hand): the console
 * start-up, which hands ucrtbase's argc and argv to main, and the stack
 * cookie that /GS code checks. A driver team's own C runtime has both. */
#include <corecrt_startup.h>
#include <stdint.h>
#include <stdlib.h>

int main(int argc, char** argv);
void __cdecl __security_check_cookie(uintptr_t cookie);
void __cdecl mainCRTStartup(void);

/* A fixed value is enough here: the test checks linking and the decision,
 * not the cookie's secrecy. */
uintptr_t __security_cookie = (uintptr_t)0x2B992DDFA232ULL;

void __cdecl __security_check_cookie(uintptr_t cookie) {
  if (cookie != __security_cookie) abort();
}

void __cdecl mainCRTStartup(void) {
  _configure_narrow_argv(_crt_argv_unexpanded_arguments);
  exit(main(*__p___argc(), *__p___argv()));
}
