/* Whether a dialog shown from where the launcher runs reaches the user.
 * A driver's code runs in the application's process, in the bridge process
 * for applications of the other width, in the spooler service and its
 * isolation host (session 0, whose windows no user sees since Windows Vista)
 * and in the filter pipeline. Shown from the spooler's side, paperchk's
 * dialog would wait unseen until the launcher gives up, and the job would
 * read as if the user had walked away. */
#include "paperchk_internal.h"

#define SERVICES_SESSION 0u

static int reaches_no_user(int context) {
  return context == PAPERCHK_CONTEXT_SPOOLER_SERVICE || context == PAPERCHK_CONTEXT_SPOOLER_ISOLATION_HOST ||
         context == PAPERCHK_CONTEXT_FILTER_PIPELINE;
}

int paperchk_check_user_session(const paperchk_platform* platform, paperchk_place* place, paperchk_error* error) {
  paperchk_place found = {0, 0, PAPERCHK_CONTEXT_UNKNOWN};
  uint32_t system_error = 0;
  if (place != NULL) *place = found;
  if (platform == NULL || platform->session == NULL || platform->execution_context == NULL) {
    paperchk_set_error(error, PAPERCHK_FIELD_PLATFORM, PAPERCHK_RULE_NULL, 0, 0, 0);
    return PAPERCHK_BAD_ARGUMENT;
  }
  found.session_known = platform->session(platform->context, &found.session, &system_error) != 0;
  if (!found.session_known) found.session = 0;
  found.execution_context = platform->execution_context(platform->context);
  /* A value the platform never gives is as good as none. */
  if (found.execution_context < PAPERCHK_CONTEXT_UNKNOWN || found.execution_context > PAPERCHK_CONTEXT_WOW64) {
    found.execution_context = PAPERCHK_CONTEXT_UNKNOWN;
  }
  if (place != NULL) *place = found;
  if (reaches_no_user(found.execution_context)) {
    paperchk_set_error(error, PAPERCHK_FIELD_EXECUTION_CONTEXT, PAPERCHK_RULE_NO_USER,
                       (size_t)found.execution_context, 0, 0);
    return PAPERCHK_NO_DECISION;
  }
  if (found.session_known && found.session == SERVICES_SESSION) {
    paperchk_set_error(error, PAPERCHK_FIELD_SESSION, PAPERCHK_RULE_NO_USER, SERVICES_SESSION, 0, 0);
    return PAPERCHK_NO_DECISION;
  }
  paperchk_clear_error(error);
  return PAPERCHK_OK;
}
