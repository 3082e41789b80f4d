/* The image's load configuration, which the linker points the PE header's
 * load-configuration directory at when a program defines _load_config_used.
 * Its one set field besides the size is the dependent-load flag: Windows 10
 * (1607) and later load the DLLs of the import table, and those they import
 * in turn, from the system folder only, before any code of the program runs.
 * The mingw-w64 headers name that field Reserved1 (it follows CSDVersion). */
#include <windows.h>

/* The linker looks the symbol up by this name; nothing references it, so it is
 * kept by -Wl,--undefined (startup/CMakeLists.txt). */
extern const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used;  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the platform names it
const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
    .Size = sizeof(IMAGE_LOAD_CONFIG_DIRECTORY),
    .Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32,
};
