/* The exchange file on POSIX hosts (the library's tests): open, pread,
 * pwrite and unlink. */
#define _POSIX_C_SOURCE 200809L /* NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the feature-test macro the C library reads for pread */
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "paperchk_client.h"

/* The descriptor travels in the handle, offset by one so that 0 is not null. */
static void* as_handle(int descriptor) { return (void*)((intptr_t)descriptor + 1); }
static int as_descriptor(void* file) { return (int)((intptr_t)file - 1); }

static void* open_file(void* context, const char* path, int create_empty, int* status, uint32_t* system_error) {
  const int flags = O_RDWR | O_CLOEXEC | (create_empty ? O_CREAT | O_TRUNC : 0);
  int descriptor;
  struct stat state;
  (void)context;
  *status = PAPERCHK_IO_FAILED;
  *system_error = 0;
  do {
    descriptor = open(path, flags, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    *system_error = (uint32_t)errno;
    if (errno == ENOENT) *status = PAPERCHK_IO_MISSING;
    return NULL;
  }
  /* A device or a pipe opens, but a decision written there would vanish. */
  if (fstat(descriptor, &state) != 0) {
    *system_error = (uint32_t)errno;
    (void)close(descriptor);
    return NULL;
  }
  if (!S_ISREG(state.st_mode)) {
    (void)close(descriptor);
    *status = PAPERCHK_IO_NOT_A_FILE;
    return NULL;
  }
  *status = PAPERCHK_IO_DONE;
  return as_handle(descriptor);
}

static int read_at(void* context, void* file, uint64_t offset, uint8_t* buffer, size_t size, size_t* got,
                   uint32_t* system_error) {
  ssize_t result;
  (void)context;
  *got = 0;
  *system_error = 0;
  do {
    result = pread(as_descriptor(file), buffer, size, (off_t)offset);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    *system_error = (uint32_t)errno;
    return 0;
  }
  *got = (size_t)result;
  return 1;
}

static int write_at(void* context, void* file, uint64_t offset, const uint8_t* data, size_t size, size_t* written,
                    uint32_t* system_error) {
  ssize_t result;
  (void)context;
  *written = 0;
  *system_error = 0;
  do {
    result = pwrite(as_descriptor(file), data, size, (off_t)offset);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    *system_error = (uint32_t)errno;
    return 0;
  }
  *written = (size_t)result;
  return 1;
}

static void close_file(void* context, void* file) {
  (void)context;
  (void)close(as_descriptor(file));
}

static int remove_file(void* context, const char* path, uint32_t* system_error) {
  (void)context;
  *system_error = 0;
  if (unlink(path) == 0) return PAPERCHK_IO_DONE;
  *system_error = (uint32_t)errno;
  return errno == ENOENT ? PAPERCHK_IO_MISSING : PAPERCHK_IO_FAILED;
}

const paperchk_files* paperchk_system_files(void) {
  static const paperchk_files system_files = {NULL, open_file, read_at, write_at, close_file, remove_file};
  return &system_files;
}
