/* The exchange file on Windows: CreateFileA and the like, every open sharing
 * reading and writing as paperchk's own opens do. */
#include <windows.h>

#include "paperchk_internal.h"

#define LONGEST_CHECKED_PATH 1024 /* UTF-16 units; longer than any exchange path paperchk reads */

static int is_missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

int paperchk_system_names_no_disk_file(const char* path, uint32_t* system_error) {
  WCHAR wide[LONGEST_CHECKED_PATH];
  const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, wide, LONGEST_CHECKED_PATH);
  *system_error = 0;
  if (length <= 0) {
    *system_error = GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
    return 1;
  }
  return paperchk_names_no_disk_file((const uint16_t*)wide, (size_t)length - 1);
}

/* Refuses by name what opens as a device, a pipe or a console, before
 * anything is opened: *status and *system_error as for an open. */
static int refused_by_name(const char* path, int* status, uint32_t* system_error) {
  if (!paperchk_system_names_no_disk_file(path, system_error)) return 0;
  *status = *system_error != 0 ? PAPERCHK_IO_FAILED : PAPERCHK_IO_NOT_A_FILE;
  return 1;
}

/* A read-only file cannot be cut or removed; the exchange file is the
 * driver's own, so the attribute someone set meanwhile goes. True when it
 * was set and is cleared. */
static int cleared_read_only(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return 0;
  }
  return SetFileAttributesA(path, attributes & ~(DWORD)FILE_ATTRIBUTE_READONLY) != 0;
}

static HANDLE create_file(const char* path, int create_empty) {
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                     create_empty ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

static void* open_file(void* context, const char* path, int create_empty, int* status, uint32_t* system_error) {
  HANDLE handle;
  (void)context;
  *status = PAPERCHK_IO_FAILED;
  *system_error = 0;
  if (refused_by_name(path, status, system_error)) return NULL;
  handle = create_file(path, create_empty);
  if (handle == INVALID_HANDLE_VALUE && create_empty && GetLastError() == ERROR_ACCESS_DENIED &&
      cleared_read_only(path)) {
    handle = create_file(path, create_empty);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    *system_error = GetLastError();
    if (is_missing(*system_error)) *status = PAPERCHK_IO_MISSING;
    return NULL;
  }
  /* What the name did not tell (a link to a device, say) opens, but paperchk's decision would vanish there. */
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
  int status = PAPERCHK_IO_FAILED;
  (void)context;
  *system_error = 0;
  if (refused_by_name(path, &status, system_error)) return status;
  if (DeleteFileA(path)) return PAPERCHK_IO_DONE;
  if (GetLastError() == ERROR_ACCESS_DENIED && cleared_read_only(path) && DeleteFileA(path)) return PAPERCHK_IO_DONE;
  *system_error = GetLastError();
  return is_missing(*system_error) ? PAPERCHK_IO_MISSING : PAPERCHK_IO_FAILED;
}

const paperchk_files* paperchk_system_files(void) {
  static const paperchk_files system_files = {NULL, open_file, read_at, write_at, close_file, remove_file};
  return &system_files;
}
