/* The version the library was built as: PAPERCHK_CLIENT_VERSION of the header it
 * was compiled with. */
#include "paperchk_client.h"

const char* paperchk_client_version(void) { return PAPERCHK_CLIENT_VERSION; }
