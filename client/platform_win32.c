/* The platform calls behind the launcher's check of where it runs.
 * GetPrintExecutionData (winspool.drv, Windows 7 and later) is looked up at
 * run time: the library links and runs where it is missing, and then cannot
 * tell the context. */
#include <windows.h>

#include <string.h>

#include "paperchk_client.h"

/* The platform's PRINT_EXECUTION_DATA: the context (ours less one), then the
 * client application's process id, two 32-bit fields. */
#define EXECUTION_DATA_FIELDS 2
typedef BOOL(WINAPI* get_print_execution_data)(DWORD* data);

static int session_of_this_process(void* context, uint32_t* session, uint32_t* system_error) {
  DWORD id = 0;
  (void)context;
  *session = 0;
  *system_error = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &id)) {
    *system_error = GetLastError();
    return 0;
  }
  *session = id;
  return 1;
}

static int execution_context(void* context) {
  /* A driver's process has winspool loaded already; otherwise it is loaded
   * from the system folder only, and only for the question. */
  HMODULE winspool = GetModuleHandleA("winspool.drv");
  HMODULE loaded = NULL;
  DWORD data[EXECUTION_DATA_FIELDS] = {0, 0};
  get_print_execution_data get;
  int found = PAPERCHK_CONTEXT_UNKNOWN;
  (void)context;
  if (winspool == NULL) {
    char path[MAX_PATH + sizeof "\\winspool.drv"];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return PAPERCHK_CONTEXT_UNKNOWN;
    memcpy(path + length, "\\winspool.drv", sizeof "\\winspool.drv");
    winspool = loaded = LoadLibraryA(path);
    if (winspool == NULL) return PAPERCHK_CONTEXT_UNKNOWN;
  }
  /* The cast between function types is how GetProcAddress is used. */
  get = (get_print_execution_data)(void (*)(void))GetProcAddress(winspool, "GetPrintExecutionData");
  if (get != NULL && get(data) && data[0] < (DWORD)PAPERCHK_CONTEXT_WOW64) found = (int)data[0] + 1;
  if (loaded != NULL) (void)FreeLibrary(loaded);
  return found;
}

const paperchk_platform* paperchk_system_platform(void) {
  static const paperchk_platform system_platform = {NULL, session_of_this_process, execution_context};
  return &system_platform;
}
