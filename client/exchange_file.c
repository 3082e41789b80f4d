/* The driver's side of the exchange file: 8 bytes at its start, two
 * little-endian 32-bit values, the decision (written by paperchk) and the
 * completion flag (0 from paperchk, 1 from the driver after a retry).
 * paperchk opens the file afresh for each access with shared reading and
 * writing; the driver does the same and never holds it open for long. */
#include "paperchk_internal.h"

/* The argument checks every exchange function shares: the file system and
 * a path that is neither null nor empty. */
static int bad_arguments(const paperchk_files* files, const char* path, paperchk_error* error) {
  if (files == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_FILES, PAPERCHK_RULE_NULL, 0, 0, 0);
  } else if (path == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NULL, 0, 0, 0);
  } else if (path[0] == '\0') {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_EMPTY, 0, 0, 0);
    return PAPERCHK_FILE_ERROR;
  } else {
    return PAPERCHK_OK;
  }
  return PAPERCHK_BAD_ARGUMENT;
}

static int file_failed(paperchk_error* error, uint32_t system_error) {
  paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, system_error);
  return PAPERCHK_FILE_ERROR;
}

/* An open that failed: a device or a pipe is named as such (paperchk could
 * not share a decision through it), any other failure by the system's code. */
static int open_failed(paperchk_error* error, int status, uint32_t system_error) {
  if (status != PAPERCHK_IO_NOT_A_FILE) return file_failed(error, system_error);
  paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NOT_A_DISK_FILE, 0, 0, 0);
  return PAPERCHK_FILE_ERROR;
}

/* Writes all of `data` or fails (a short write is a failure). */
static int write_all(const paperchk_files* files, void* file, uint64_t offset, const uint8_t* data, size_t size,
                     uint32_t* system_error) {
  size_t written = 0;
  return files->write_at(files->context, file, offset, data, size, &written, system_error) && written == size;
}

int paperchk_files_prepare(const paperchk_files* files, const char* path, int create_empty, paperchk_error* error) {
  static const uint8_t empty[PAPERCHK_RECORD_SIZE] = {0};
  uint32_t system_error = 0;
  int status = bad_arguments(files, path, error);
  void* file;
  int written;
  if (status != PAPERCHK_OK) return status;
  /* A device or a pipe is neither removed nor written to. */
  file = files->open(files->context, path, 0, &status, &system_error);
  if (file != NULL) files->close(files->context, file);
  if (status == PAPERCHK_IO_NOT_A_FILE) return open_failed(error, status, system_error);
  if (!create_empty) {
    if (files->remove(files->context, path, &system_error) == PAPERCHK_IO_FAILED) {
      return file_failed(error, system_error);
    }
    paperchk_clear_error(error);
    return PAPERCHK_OK;
  }
  file = files->open(files->context, path, 1, &status, &system_error);
  if (file == NULL) return open_failed(error, status, system_error);
  written = write_all(files, file, 0, empty, sizeof empty, &system_error);
  files->close(files->context, file);
  if (!written) return file_failed(error, system_error);
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}

int paperchk_files_read_decision(const paperchk_files* files, const char* path, uint32_t* decision,
                                 paperchk_error* error) {
  uint8_t bytes[4] = {0};
  size_t got = 0;
  uint32_t system_error = 0;
  int file_status = PAPERCHK_IO_FAILED;
  int status;
  void* file;
  int read;
  if (decision == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_DECISION, PAPERCHK_RULE_NULL, 0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  *decision = 0;
  status = bad_arguments(files, path, error);
  if (status != PAPERCHK_OK) return status;
  file = files->open(files->context, path, 0, &file_status, &system_error);
  if (file == NULL) {
    /* paperchk creates a missing file when it writes the decision. */
    if (file_status == PAPERCHK_IO_MISSING) {
      paperchk_clear_error(error);
      return PAPERCHK_OK;
    }
    return open_failed(error, file_status, system_error);
  }
  read = files->read_at(files->context, file, 0, bytes, sizeof bytes, &got, &system_error);
  files->close(files->context, file);
  if (!read) return file_failed(error, system_error);
  paperchk_clear_error(error);
  /* paperchk writes the record in one piece; a shorter file holds none yet. */
  if (got < sizeof bytes) return PAPERCHK_OK;
  *decision = paperchk_record_get32(bytes);
  if (*decision > PAPERCHK_DECISION_CANCEL_PRINTING) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_UNEXPECTED_VALUE, *decision, 0, 0);
    return PAPERCHK_FILE_ERROR;
  }
  return PAPERCHK_OK;
}

int paperchk_files_write_flag(const paperchk_files* files, const char* path, uint32_t flag, paperchk_error* error) {
  uint8_t bytes[4];
  uint32_t system_error = 0;
  int file_status = PAPERCHK_IO_FAILED;
  int status = bad_arguments(files, path, error);
  void* file;
  int written;
  if (status != PAPERCHK_OK) return status;
  /* An absent file is not created: paperchk is gone or never wrote. */
  file = files->open(files->context, path, 0, &file_status, &system_error);
  if (file == NULL) return open_failed(error, file_status, system_error);
  paperchk_record_put32(flag, bytes);
  written = write_all(files, file, PAPERCHK_COMPLETION_FLAG_OFFSET, bytes, sizeof bytes, &system_error);
  files->close(files->context, file);
  if (!written) return file_failed(error, system_error);
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}

int paperchk_prepare_exchange_file(const char* path, int create_empty, paperchk_error* error) {
  return paperchk_files_prepare(paperchk_system_files(), path, create_empty, error);
}

int paperchk_read_decision(const char* path, uint32_t* decision, paperchk_error* error) {
  return paperchk_files_read_decision(paperchk_system_files(), path, decision, error);
}

int paperchk_write_completion_flag(const char* path, paperchk_error* error) {
  return paperchk_files_write_flag(paperchk_system_files(), path, PAPERCHK_COMPLETION_DONE, error);
}
