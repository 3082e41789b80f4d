/* The version the library was built as: PAPERCHK_VERSION of the header it
 * was compiled with. */
#include "client/paperchk_client.h"

const char* paperchk_client_version(void) { return PAPERCHK_VERSION; }
