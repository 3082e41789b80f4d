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
#define HOLD_OFFSET_HIGH 0x40000000u /* the hold's byte: offset 2^62 */

/* What one run holds; everything in it is released by finish_run. */
typedef struct run {
  const paperchk_launch_options* options;
  const paperchk_files* files;
  const char* exchange_path;
  HANDLE path_hold;
  int hold_created_file; /* the hold made the file: no other launch or driver had it */
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

/* The error of an ending without a decision that no failure explains: the
 * time that ran out, or the process that ended and its status. */
static void explain_ending(run* current) {
  paperchk_launch_result* result = current->result;
  if (result->ending == PAPERCHK_TIMED_OUT) {
    paperchk_set_error(&result->error, PAPERCHK_FIELD_DECISION_TIMEOUT, PAPERCHK_RULE_TIMED_OUT,
                       current->options->decision_timeout_ms, 0, 0);
  } else if (result->ending == PAPERCHK_PROCESS_GONE) {
    paperchk_set_error(&result->error, PAPERCHK_FIELD_PROCESS, PAPERCHK_RULE_ENDED_WITHOUT_DECISION,
                       result->exit_status, 0, 0);
  }
}

/* Prepares the held file before paperchk starts: {0, 0}, or cut to nothing
 * for paperchk to write (a short file holds no decision; removing it would
 * leave a name nobody can open until the hold goes). An old decision must
 * not be taken for the user's. */
static int prepare_exchange_file(run* current) {
  const paperchk_files* files = current->files;
  paperchk_error* error = &current->result->error;
  uint32_t system_error = 0;
  int status = PAPERCHK_IO_FAILED;
  void* file;
  if (current->options->create_exchange_file) {
    return paperchk_files_prepare(files, current->exchange_path, 1, error) == PAPERCHK_OK;
  }
  file = files->open(files->context, current->exchange_path, 1, &status, &system_error);
  if (file == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH,
                       status == PAPERCHK_IO_NOT_A_FILE ? PAPERCHK_RULE_NOT_A_DISK_FILE : PAPERCHK_RULE_SYSTEM_FAILURE,
                       0, 0, system_error);
    return 0;
  }
  files->close(files->context, file);
  return 1;
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

/* Removes the exchange file at the end: through the driver's files, or the
 * system's for a file the hold made that paperchk never saw. A failure is
 * said in the error when the ending has no explanation of its own. */
static void remove_exchange_file(run* current) {
  paperchk_launch_result* result = current->result;
  const paperchk_files* files = current->files;
  uint32_t system_error = 0;
  if (current->path_hold == NULL) return;
  if (current->process == NULL && current->hold_created_file) {
    files = paperchk_system_files();
  } else if (current->options->keep_exchange_file) {
    return;
  }
  result->exchange_file_removed = files->remove(files->context, current->exchange_path, &system_error) == PAPERCHK_IO_DONE;
  if (!result->exchange_file_removed && result->error.rule == PAPERCHK_RULE_NONE) {
    paperchk_set_error(&result->error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NOT_REMOVED, 0, 0, system_error);
  }
}

/* Releases what the run holds, ending a paperchk that still runs, and
 * removes the exchange file unless the driver keeps it. */
static int finish_run(run* current) {
  paperchk_launch_result* result = current->result;
  if (current->process != NULL && is_running(current->process)) finish_process(current, 0);
  if (current->job != NULL) CloseHandle(current->job);
  remove_exchange_file(current);
  if (current->process != NULL) CloseHandle(current->process);
  /* Released last: the file is the next launch's only once this one is done with it. */
  if (current->path_hold != NULL) CloseHandle(current->path_hold);
  return status_of(result);
}

/* One launch per exchange file: a second one would take the first one's
 * decision for its own and lose the user's. The hold is a lock the file
 * system keeps on the file itself (one byte far past anything paperchk reads
 * or writes), so every name of the file meets it: another case, "\\?\",
 * "..", a short name, a link, another drive letter or share, a hard link.
 * The system releases it when the launch returns or its process ends. The
 * file is created for it when there is none; paperchk opens it as it is. */
static int hold_exchange_path(run* current) {
  paperchk_error* error = &current->result->error;
  OVERLAPPED where;
  DWORD failure;
  HANDLE file = CreateFileA(current->exchange_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  current->result->ending = PAPERCHK_FILE_FAILED;
  if (file == INVALID_HANDLE_VALUE) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, GetLastError());
    return 0;
  }
  current->hold_created_file = GetLastError() != ERROR_ALREADY_EXISTS;
  current->path_hold = file;
  if (GetFileType(file) != FILE_TYPE_DISK) { /* what the name did not tell: a link to a device, say */
    current->path_hold = NULL;
    CloseHandle(file);
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_NOT_A_DISK_FILE, 0, 0, 0);
    return 0;
  }
  memset(&where, 0, sizeof where);
  where.OffsetHigh = HOLD_OFFSET_HIGH;
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) return 1;
  failure = GetLastError();
  current->path_hold = NULL;
  CloseHandle(file);
  if (failure == ERROR_LOCK_VIOLATION) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_IN_USE, 0, 0, 0);
    current->result->ending = PAPERCHK_EXCHANGE_PATH_IN_USE;
  } else {
    paperchk_set_error(error, PAPERCHK_FIELD_EXCHANGE_PATH, PAPERCHK_RULE_SYSTEM_FAILURE, 0, 0, failure);
  }
  return 0;
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

/* A path that names a device, a pipe or a console, or none, is refused from
 * its text before anything is opened. */
static int exchange_path_names_a_file(run* current) {
  paperchk_launch_result* result = current->result;
  uint32_t system_error = 0;
  int rule = PAPERCHK_RULE_NONE;
  if (current->exchange_path[0] == '\0') {
    rule = PAPERCHK_RULE_EMPTY;
  } else if (paperchk_system_names_no_disk_file(current->exchange_path, &system_error)) {
    rule = system_error != 0 ? PAPERCHK_RULE_SYSTEM_FAILURE : PAPERCHK_RULE_NOT_A_DISK_FILE;
  }
  if (rule == PAPERCHK_RULE_NONE) return 1;
  paperchk_set_error(&result->error, PAPERCHK_FIELD_EXCHANGE_PATH, rule, 0, 0, system_error);
  result->ending = PAPERCHK_FILE_FAILED;
  return 0;
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
  return exchange_path_names_a_file(current) && hold_exchange_path(current);
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
  current.hold_created_file = 0;
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
    explain_ending(&current);
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
