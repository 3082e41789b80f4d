/* The exchange file on Windows: CreateFileA and the like, every open sharing
 * reading and writing as paperchk's own opens do. */
#include <windows.h>

#include "paperchk_client.h"

static int is_missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

static void* open_file(void* context, const char* path, int create_empty, int* status, uint32_t* system_error) {
  HANDLE handle;
  (void)context;
  *status = PAPERCHK_IO_FAILED;
  *system_error = 0;
  handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       create_empty ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (handle == INVALID_HANDLE_VALUE) {
    *system_error = GetLastError();
    if (is_missing(*system_error)) *status = PAPERCHK_IO_MISSING;
    return NULL;
  }
  /* NUL, CON, COM1 or a pipe opens, but paperchk's decision would vanish. */
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    *status = PAPERCHK_IO_NOT_A_FILE;
    return NULL;
  }
  *status = PAPERCHK_IO_DONE;
  return handle;
}

static int seek(HANDLE handle, uint64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = (LONGLONG)offset;
  return SetFilePointerEx(handle, distance, NULL, FILE_BEGIN) != 0;
}

static int read_at(void* context, void* file, uint64_t offset, uint8_t* buffer, size_t size, size_t* got,
                   uint32_t* system_error) {
  DWORD transferred = 0;
  (void)context;
  *got = 0;
  *system_error = 0;
  if (size > MAXDWORD || !seek(file, offset) || !ReadFile(file, buffer, (DWORD)size, &transferred, NULL)) {
    *system_error = GetLastError();
    return 0;
  }
  *got = transferred;
  return 1;
}

static int write_at(void* context, void* file, uint64_t offset, const uint8_t* data, size_t size, size_t* written,
                    uint32_t* system_error) {
  DWORD transferred = 0;
  (void)context;
  *written = 0;
  *system_error = 0;
  if (size > MAXDWORD || !seek(file, offset) || !WriteFile(file, data, (DWORD)size, &transferred, NULL)) {
    *system_error = GetLastError();
    return 0;
  }
  *written = transferred;
  return 1;
}

static void close_file(void* context, void* file) {
  (void)context;
  CloseHandle(file);
}

static int remove_file(void* context, const char* path, uint32_t* system_error) {
  (void)context;
  *system_error = 0;
  if (DeleteFileA(path)) return PAPERCHK_IO_DONE;
  *system_error = GetLastError();
  return is_missing(*system_error) ? PAPERCHK_IO_MISSING : PAPERCHK_IO_FAILED;
}

const paperchk_files* paperchk_system_files(void) {
  static const paperchk_files system_files = {NULL, open_file, read_at, write_at, close_file, remove_file};
  return &system_files;
}
