/* Starts paperchk for a request and plays the driver's part until it ends:
 * waits for the decision (or the process's end), after a retry calls back
 * into the driver to read the printer again, writes the completion flag and
 * waits for the end with a time limit. Never leaves a process or a handle
 * behind: whatever still runs when the launcher gives up is ended. */
#include <windows.h>

#include <string.h>

#include "paperchk_internal.h"

#define TERMINATED_STATUS 0xDEADu
#define WAIT_AFTER_TERMINATE_MS 5000u
#define FAILED_READS_TO_GIVE_UP 20 /* one second at the usual poll interval */
#define DEFAULT_END_TIMEOUT_MS 10000u /* paperchk polls the flag once a second */
#define DEFAULT_POLL_INTERVAL_MS 50u
#define FNV_OFFSET_BASIS 0xCBF29CE484222325u
#define FNV_PRIME 0x100000001B3u

/* What one run holds; everything in it is released by finish_run. */
typedef struct run {
  const paperchk_launch_options* options;
  const paperchk_files* files;
  const char* exchange_path;
  HANDLE path_hold;
  HANDLE job;
  HANDLE process;
  paperchk_launch_result* result;
} run;

/* Waits for `handle` up to `timeout_ms`, handling the messages other threads
 * send to this thread's windows meanwhile: a driver calling from a thread
 * that owns windows would otherwise hang every SendMessage to them (and
 * broadcasts). Posted messages stay queued for the driver's own loop. True
 * when the handle was signalled. */
static int wait_handling_sent_messages(HANDLE handle, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    const DWORD left = elapsed >= timeout_ms ? 0 : timeout_ms - elapsed;
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &handle, left, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    MSG message;
    if (woke == WAIT_OBJECT_0) return 1;
    if (woke != WAIT_OBJECT_0 + 1) return 0; /* the time is up (or the wait failed) */
    /* PeekMessage delivers the sent messages; nothing posted is removed. */
    (void)PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

static int is_running(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

/* A job that ends paperchk when its last handle closes: the launcher's, which
 * the system closes when the driver's process ends. */
static HANDLE create_kill_on_close_job(void) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  HANDLE job = CreateJobObjectA(NULL, NULL);
  if (job == NULL) return NULL;
  memset(&limits, 0, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return NULL;
  }
  return job;
}

/* Starts paperchk suspended, puts it into the job and lets it run. Without a
 * job (a driver already in a job on Windows before 8, where jobs do not
 * nest) paperchk runs all the same, and would outlive the driver. */
static int start_process(run* current, const char* program_path, const char* command_line) {
  char writable[PAPERCHK_COMMAND_LINE_SIZE];
  const size_t length = strlen(command_line);
  STARTUPINFOA startup;
  PROCESS_INFORMATION started;
  if (length >= sizeof writable) {
    paperchk_set_error(&current->result->error, PAPERCHK_FIELD_COMMAND_LINE, PAPERCHK_RULE_TOO_LONG,
                       PAPERCHK_MAX_COMMAND_LINE_LENGTH, 0, 0);
    return 0;
  }
  memcpy(writable, command_line, length + 1);
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  memset(&started, 0, sizeof started);
  current->job = create_kill_on_close_job();
  /* No handle is inherited: paperchk opens the exchange file itself. */
  if (!CreateProcessA(program_path, writable, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup,
                      &started)) {
    paperchk_set_error(&current->result->error, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0,
                       GetLastError());
    return 0;
  }
  current->process = started.hProcess;
  if (current->job != NULL && AssignProcessToJobObject(current->job, started.hProcess)) {
    current->result->ends_with_driver = 1;
  }
  (void)ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  if (current->options->started != NULL) current->options->started(current->options->context, started.dwProcessId);
  return 1;
}

/* Ends paperchk if it still runs after `timeout_ms`, then reads its status. */
static void finish_process(run* current, DWORD timeout_ms) {
  paperchk_launch_result* result = current->result;
  DWORD code = 0;
  if (!wait_handling_sent_messages(current->process, timeout_ms)) {
    (void)TerminateProcess(current->process, TERMINATED_STATUS);
    (void)wait_handling_sent_messages(current->process, WAIT_AFTER_TERMINATE_MS);
    result->terminated = 1;
  }
  if (!is_running(current->process) && GetExitCodeProcess(current->process, &code)) {
    result->exit_status_known = 1;
    result->exit_status = code;
  }
}

/* Waits until paperchk has written a decision or has ended. Returns the
 * ending (PAPERCHK_DECIDED with the decision in the result). */
static int wait_for_decision(run* current) {
  const paperchk_launch_options* options = current->options;
  const DWORD step = options->poll_interval_ms != 0 ? options->poll_interval_ms : DEFAULT_POLL_INTERVAL_MS;
  const DWORD start = GetTickCount();
  paperchk_error* error = &current->result->error;
  int failed_reads = 0;
  for (;;) {
    /* Whether it has ended is asked before the file is read, so a decision
     * written just before the end is not missed. */
    const int ended = wait_handling_sent_messages(current->process, step);
    uint32_t decision = 0;
    const int status = paperchk_files_read_decision(current->files, current->exchange_path, &decision, error);
    if (status == PAPERCHK_OK && decision != 0) {
      current->result->decision = decision;
      return PAPERCHK_DECIDED;
    }
    if (status != PAPERCHK_OK) {
      if (error->rule == PAPERCHK_RULE_UNEXPECTED_VALUE) return PAPERCHK_FILE_FAILED;
      /* Another program (a virus scanner, say) may hold the file for a
       * moment; only an error that lasts ends the wait. An ended paperchk
       * may have written its decision, so the file is read again. */
      if (++failed_reads >= FAILED_READS_TO_GIVE_UP) return PAPERCHK_FILE_FAILED;
      if (ended) Sleep(step);
    } else {
      if (ended) return PAPERCHK_PROCESS_GONE;
      failed_reads = 0;
    }
    /* GetTickCount wraps after 49 days; differences of its values do not. */
    if (options->decision_timeout_ms != 0 && GetTickCount() - start >= options->decision_timeout_ms) {
      return PAPERCHK_TIMED_OUT;
    }
  }
}

/* Checks, before paperchk starts, that the exchange file is a disk file and
 * can be created where paperchk will look for it: paperchk would otherwise
 * show "CreateFile ERROR!!!" after the user decided (or write into a
 * device), and the decision would be lost. */
static int prepare_exchange_file(run* current) {
  const paperchk_files* files = current->files;
  paperchk_error* error = &current->result->error;
  uint32_t system_error = 0;
  int status = PAPERCHK_IO_FAILED;
  void* file;
  if (paperchk_files_prepare(files, current->exchange_path, current->options->create_exchange_file, error) !=
      PAPERCHK_OK) {
    return 0;
  }
  if (current->options->create_exchange_file) return 1;
  /* Left to paperchk to create: try it, then leave none behind. */
  file = files->open(files->context, current->exchange_path, 1, &status, &system_error);
  if (file == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH,
                       status == PAPERCHK_IO_NOT_A_FILE ? PAPERCHK_RULE_NOT_A_DISK_FILE : PAPERCHK_RULE_SYSTEM_FAILURE,
                       0, 0, system_error);
    return 0;
  }
  files->close(files->context, file);
  return paperchk_files_prepare(files, current->exchange_path, 0, error) == PAPERCHK_OK;
}

static int status_of(const paperchk_launch_result* result) {
  switch (result->ending) {
    case PAPERCHK_DECIDED:
      if (result->decision == PAPERCHK_DECISION_RETRY && !result->completion_flag_written) return PAPERCHK_FILE_ERROR;
      return result->terminated ? PAPERCHK_NOT_ENDED : PAPERCHK_OK;
    case PAPERCHK_REQUEST_REFUSED:
    case PAPERCHK_EXCHANGE_PATH_IN_USE: return PAPERCHK_REFUSED;
    case PAPERCHK_FILE_FAILED: return PAPERCHK_FILE_ERROR;
    case PAPERCHK_NOT_LAUNCHED: return PAPERCHK_BAD_ARGUMENT;
    default: return PAPERCHK_NO_DECISION;
  }
}

/* Releases what the run holds, ending a paperchk that still runs, and
 * removes the exchange file unless the driver keeps it. */
static int finish_run(run* current) {
  paperchk_launch_result* result = current->result;
  uint32_t system_error = 0;
  if (current->process != NULL) {
    if (is_running(current->process)) finish_process(current, 0);
    CloseHandle(current->process);
  }
  if (current->job != NULL) CloseHandle(current->job);
  if (!current->options->keep_exchange_file && current->path_hold != NULL) {
    result->exchange_file_removed =
        current->files->remove(current->files->context, current->exchange_path, &system_error) == PAPERCHK_IO_DONE;
  }
  /* Released last: the file is the next launch's only once this one is done with it. */
  if (current->path_hold != NULL) CloseHandle(current->path_hold);
  return status_of(result);
}

/* One launch per exchange file in the session: a second one would take the
 * first one's decision for its own and lose the user's. The hold is a named
 * object of the session's namespace, named after the file's full path (case
 * folded, as the file system compares names), which the system releases when
 * the launch returns or its process ends. */
static int hold_exchange_path(run* current) {
  char full_path[PAPERCHK_MAX_PROGRAM_PATH_LENGTH + 1]; /* a full path may be longer than the one given */
  char name[sizeof "Local\\paperchk-exchange-" + 16];
  const char* path = current->exchange_path;
  const DWORD got = GetFullPathNameA(path, sizeof full_path, full_path, NULL);
  uint64_t hash = FNV_OFFSET_BASIS;
  size_t length;
  int digit;
  if (got != 0 && got < sizeof full_path) path = full_path;
  for (; *path != '\0'; ++path) {
    const unsigned char character = (unsigned char)*path;
    hash = (hash ^ (uint64_t)(character >= 'a' && character <= 'z' ? character - 'a' + 'A' : character)) * FNV_PRIME;
  }
  length = sizeof "Local\\paperchk-exchange-" - 1;
  memcpy(name, "Local\\paperchk-exchange-", length);
  for (digit = 15; digit >= 0; --digit) name[length++] = "0123456789abcdef"[(hash >> (4 * digit)) & 0xFu];
  name[length] = '\0';
  SetLastError(0); /* CreateMutexA tells an existing object only by the last error */
  current->path_hold = CreateMutexA(NULL, FALSE, name);
  if (current->path_hold == NULL) {
    paperchk_set_error(&current->result->error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0,
                       GetLastError());
    current->result->ending = PAPERCHK_FILE_FAILED;
    return 0;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(current->path_hold);
    current->path_hold = NULL;
    paperchk_set_error(&current->result->error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_IN_USE, 0, 0, 0);
    current->result->ending = PAPERCHK_EXCHANGE_PATH_IN_USE;
    return 0;
  }
  return 1;
}

/* Refuses a time field outside its range, naming it: garbage there would
 * otherwise make a wait of weeks, or of no time at all. */
static int time_field_in_range(uint32_t value, int field, paperchk_error* error) {
  uint32_t lowest = 0;
  uint32_t highest = 0;
  paperchk_time_range(field, &lowest, &highest);
  if (value == 0 || (value >= lowest && value <= highest)) return 1;
  paperchk_set_error(error, field, PAPERCHK_RULE_OUT_OF_RANGE, value < lowest ? lowest : highest, 0, 0);
  return 0;
}

static int options_in_range(const paperchk_launch_options* options, paperchk_error* error) {
  return time_field_in_range(options->decision_timeout_ms, PAPERCHK_FIELD_DECISION_TIMEOUT, error) &&
         time_field_in_range(options->end_timeout_ms, PAPERCHK_FIELD_END_TIMEOUT, error) &&
         time_field_in_range(options->poll_interval_ms, PAPERCHK_FIELD_POLL_INTERVAL, error);
}

/* The checks before anything is created or started; false with the ending
 * and the error in the result. */
static int may_launch(run* current) {
  const paperchk_launch_options* options = current->options;
  paperchk_launch_result* result = current->result;
  if (!options_in_range(options, &result->error)) {
    result->ending = PAPERCHK_REQUEST_REFUSED;
    return 0;
  }
  if (!options->skip_user_session_check) {
    const paperchk_platform* platform = options->platform != NULL ? options->platform : paperchk_system_platform();
    const int status = paperchk_check_user_session(platform, &result->place, &result->error);
    if (status == PAPERCHK_BAD_ARGUMENT) return 0; /* a driver's platform without its functions */
    if (status != PAPERCHK_OK) {
      result->ending = PAPERCHK_NO_USER_SESSION;
      return 0;
    }
  }
  return hold_exchange_path(current);
}

static void start_result(paperchk_launch_result* result) {
  memset(result, 0, sizeof *result);
  result->ending = PAPERCHK_NOT_LAUNCHED;
  paperchk_clear_error(&result->error);
}

static int not_launched(paperchk_launch_result* result, int field) {
  paperchk_set_error(&result->error, field, PAPERCHK_RULE_NULL, 0, 0, 0);
  return PAPERCHK_BAD_ARGUMENT;
}

int paperchk_launch_command_line(const char* program_path, const char* command_line, const char* exchange_path,
                                 const paperchk_launch_options* options, paperchk_launch_result* result) {
  static const paperchk_launch_options defaults = {0};
  run current;
  if (result == NULL) return PAPERCHK_BAD_ARGUMENT;
  start_result(result);
  if (program_path == NULL) return not_launched(result, PAPERCHK_FIELD_PROGRAM_PATH);
  if (command_line == NULL) return not_launched(result, PAPERCHK_FIELD_COMMAND_LINE);
  if (exchange_path == NULL) return not_launched(result, PAPERCHK_FIELD_EXCHANGE_PATH);
  current.options = options != NULL ? options : &defaults;
  current.files = current.options->files != NULL ? current.options->files : paperchk_system_files();
  current.exchange_path = exchange_path;
  current.path_hold = NULL;
  current.job = NULL;
  current.process = NULL;
  current.result = result;

  if (!may_launch(&current)) return finish_run(&current);
  /* An old decision must not be taken for the user's. */
  if (!prepare_exchange_file(&current)) {
    result->ending = PAPERCHK_FILE_FAILED;
    return finish_run(&current);
  }
  if (!start_process(&current, program_path, command_line)) {
    result->ending = PAPERCHK_START_FAILED;
    return finish_run(&current);
  }
  result->ending = wait_for_decision(&current);
  if (result->ending != PAPERCHK_DECIDED) {
    /* Gone by itself, or given up: nothing more will come. */
    finish_process(&current, 0);
    return finish_run(&current);
  }
  paperchk_clear_error(&result->error);
  if (result->decision == PAPERCHK_DECISION_RETRY) {
    if (current.options->reread_printer != NULL) {
      result->reread_called = 1;
      result->reread_succeeded = current.options->reread_printer(current.options->context) != 0;
    }
    result->completion_flag_written =
        paperchk_files_write_flag(current.files, exchange_path, PAPERCHK_COMPLETION_DONE, &result->error) == PAPERCHK_OK;
  }
  finish_process(&current,
                 current.options->end_timeout_ms != 0 ? current.options->end_timeout_ms : DEFAULT_END_TIMEOUT_MS);
  return finish_run(&current);
}

int paperchk_short_program_path(const char* path, char* buffer, size_t buffer_size, paperchk_error* error) {
  char short_path[PAPERCHK_MAX_PROGRAM_PATH_LENGTH + 1];
  const char* chosen = path;
  size_t length;
  if (buffer != NULL && buffer_size != 0) buffer[0] = '\0';
  if (path == NULL || buffer == NULL) {
    paperchk_set_error(error, path == NULL ? PAPERCHK_FIELD_PROGRAM_PATH : PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_NULL,
                       0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  /* paperchk takes the first space for the end of its own path. Where the
   * file system has no short names the path stays, and the builder refuses it. */
  if (strchr(path, ' ') != NULL) {
    const DWORD got = GetShortPathNameA(path, short_path, sizeof short_path);
    if (got != 0 && got < sizeof short_path) chosen = short_path;
  }
  length = strlen(chosen);
  if (length >= buffer_size) {
    paperchk_set_error(error, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_RULE_BUFFER_TOO_SMALL, length + 1, 0, 0);
    return PAPERCHK_REFUSED;
  }
  memcpy(buffer, chosen, length + 1);
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}

int paperchk_launch(const char* program_path, const paperchk_request* request,
                    const paperchk_launch_options* options, paperchk_launch_result* result) {
  char program[PAPERCHK_MAX_PROGRAM_PATH_LENGTH + 1];
  char command_line[PAPERCHK_COMMAND_LINE_SIZE];
  int status;
  if (result == NULL) return PAPERCHK_BAD_ARGUMENT;
  start_result(result);
  if (program_path == NULL) return not_launched(result, PAPERCHK_FIELD_PROGRAM_PATH);
  status = paperchk_short_program_path(program_path, program, sizeof program, &result->error);
  if (status == PAPERCHK_REFUSED) {
    /* Longer than paperchk reads: refused as the builder refuses it. */
    paperchk_set_error(&result->error, PAPERCHK_FIELD_PROGRAM_PATH, PAPERCHK_RULE_TOO_LONG,
                       PAPERCHK_MAX_PROGRAM_PATH_LENGTH, 0, 0);
    result->ending = PAPERCHK_REQUEST_REFUSED;
    return PAPERCHK_REFUSED;
  }
  status = paperchk_build_command_line(program, request, command_line, sizeof command_line, &result->error);
  if (status == PAPERCHK_BAD_ARGUMENT) return status;
  if (status != PAPERCHK_OK) {
    result->ending = PAPERCHK_REQUEST_REFUSED;
    return status;
  }
  return paperchk_launch_command_line(program, command_line, request->exchange_path, options, result);
}

static int temporary_folder_failed(paperchk_error* error) {
  paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, GetLastError());
  return PAPERCHK_FILE_ERROR;
}

int paperchk_make_exchange_path(char* buffer, size_t buffer_size, paperchk_error* error) {
  char folder[MAX_PATH + 1];
  char short_folder[MAX_PATH + 1];
  char path[MAX_PATH + 1];
  const char* chosen = folder;
  DWORD got;
  size_t length;
  if (buffer == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_NULL, 0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  if (buffer_size != 0) buffer[0] = '\0';
  got = GetTempPathA(sizeof folder, folder);
  if (got == 0 || got >= sizeof folder) return temporary_folder_failed(error);
  /* paperchk takes a space for the end of the exchange path. */
  if (strchr(folder, ' ') != NULL) {
    got = GetShortPathNameA(folder, short_folder, sizeof short_folder);
    if (got == 0 || got >= sizeof short_folder) return temporary_folder_failed(error);
    chosen = short_folder;
    if (strchr(chosen, ' ') != NULL) {
      paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_SPACE, 0, 0, 0);
      return PAPERCHK_REFUSED;
    }
  }
  /* Creates the file with a name no other file in the folder has. */
  if (GetTempFileNameA(chosen, "pck", 0, path) == 0) return temporary_folder_failed(error);
  length = strlen(path);
  if (length > PAPERCHK_MAX_EXCHANGE_PATH_LENGTH || length >= buffer_size) {
    (void)DeleteFileA(path);
    if (length > PAPERCHK_MAX_EXCHANGE_PATH_LENGTH) {
      paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_TOO_LONG,
                         PAPERCHK_MAX_EXCHANGE_PATH_LENGTH, 0, 0);
    } else {
      paperchk_set_error(error, PAPERCHK_FIELD_BUFFER, PAPERCHK_RULE_BUFFER_TOO_SMALL, length + 1, 0, 0);
    }
    return PAPERCHK_REFUSED;
  }
  memcpy(buffer, path, length + 1);
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}
