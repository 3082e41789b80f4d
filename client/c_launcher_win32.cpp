// The C interface over the launcher. No exception leaves it; the driver's
// callback is C and cannot throw.
#include "client/c_request.h"
#include "client/launcher_win32.h"

namespace client = paperchk_client;

namespace {

static_assert(PAPERCHK_TIMED_OUT == static_cast<int>(client::LaunchEnding::TimedOut), "endings out of step");

client::LaunchOptions OptionsFromC(const paperchk_launch_options* in) {
  client::LaunchOptions options;
  if (in == nullptr) return options;
  if (in->reread_printer != nullptr) {
    const paperchk_reread_printer reread = in->reread_printer;
    void* const context = in->context;
    options.rereadPrinter = [reread, context] { return reread(context) != 0; };
  }
  options.preparation = in->create_exchange_file != 0 ? client::Preparation::CreateEmpty
                                                       : client::Preparation::RemoveOld;
  options.decisionTimeoutMs = in->decision_timeout_ms;
  if (in->end_timeout_ms != 0) options.endTimeoutMs = in->end_timeout_ms;
  if (in->poll_interval_ms != 0) options.pollIntervalMs = in->poll_interval_ms;
  return options;
}

void ResultToC(const client::LaunchResult& in, paperchk_launch_result& out) {
  out.ending = static_cast<int>(in.ending);
  out.decision = in.decision;
  out.reread_called = in.rereadCalled ? 1 : 0;
  out.reread_succeeded = in.rereadSucceeded ? 1 : 0;
  out.completion_flag_written = in.completionFlagWritten ? 1 : 0;
  out.exit_status_known = in.exitStatusKnown ? 1 : 0;
  out.exit_status = in.exitStatus;
  out.terminated = in.terminated ? 1 : 0;
  out.system_error = in.systemError;
  client::ErrorToC(in.error, &out.error);
}

int StatusOf(const client::LaunchResult& result) {
  switch (result.ending) {
    case client::LaunchEnding::Decided: {
      if (result.decision == client::kRetry && !result.completionFlagWritten) return PAPERCHK_FILE_ERROR;
      return result.terminated ? PAPERCHK_NOT_ENDED : PAPERCHK_OK;
    }
    case client::LaunchEnding::RequestRefused: return PAPERCHK_REFUSED;
    case client::LaunchEnding::FileFailed: return PAPERCHK_FILE_ERROR;
    case client::LaunchEnding::StartFailed:
    case client::LaunchEnding::ProcessGone:
    case client::LaunchEnding::TimedOut: return PAPERCHK_NO_DECISION;
  }
  return PAPERCHK_INTERNAL;
}

}  // namespace

extern "C" int paperchk_launch(const char* program_path, const paperchk_request* request,
                               const paperchk_launch_options* options, paperchk_launch_result* result) {
  if (program_path == nullptr || request == nullptr || result == nullptr) return PAPERCHK_BAD_ARGUMENT;
  *result = paperchk_launch_result{};
  try {
    client::Request converted;
    client::BuildError refusal;
    if (!client::RequestFromC(*request, converted, refusal)) {
      if (refusal.ok()) return PAPERCHK_BAD_ARGUMENT;
      result->ending = PAPERCHK_REQUEST_REFUSED;
      client::ErrorToC(refusal, &result->error);
      return PAPERCHK_REFUSED;
    }
    const client::LaunchResult launched = client::Launch(program_path, converted, OptionsFromC(options));
    ResultToC(launched, *result);
    return StatusOf(launched);
  } catch (...) {
    return PAPERCHK_INTERNAL;
  }
}
