/* The IPP exchange over WinHTTP. winhttp.dll is loaded by its full path in
 * the system folder when a read starts and freed when it ends, so a driver
 * that uses this module imports nothing new (LoadLibraryA, GetProcAddress
 * and FreeLibrary are kernel32's) and a DLL planted elsewhere is never
 * taken. No proxy: a printer is reached directly. ipps:// uses WinHTTP's
 * TLS with its certificate checks. */
#include <windows.h>
#include <winhttp.h>

#include <stdio.h>
#include <string.h>

#include "ipp_internal.h"

typedef HINTERNET(WINAPI* open_function)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
typedef BOOL(WINAPI* set_timeouts_function)(HINTERNET, int, int, int, int);
typedef HINTERNET(WINAPI* connect_function)(HINTERNET, LPCWSTR, INTERNET_PORT, DWORD);
typedef HINTERNET(WINAPI* open_request_function)(HINTERNET, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR*, DWORD);
typedef BOOL(WINAPI* send_request_function)(HINTERNET, LPCWSTR, DWORD, LPVOID, DWORD, DWORD, DWORD_PTR);
typedef BOOL(WINAPI* receive_response_function)(HINTERNET, LPVOID);
typedef BOOL(WINAPI* query_headers_function)(HINTERNET, DWORD, LPCWSTR, LPVOID, LPDWORD, LPDWORD);
typedef BOOL(WINAPI* read_data_function)(HINTERNET, LPVOID, DWORD, LPDWORD);
typedef BOOL(WINAPI* close_handle_function)(HINTERNET);

typedef struct winhttp {
  HMODULE module;
  open_function open;
  set_timeouts_function set_timeouts;
  connect_function connect;
  open_request_function open_request;
  send_request_function send_request;
  receive_response_function receive_response;
  query_headers_function query_headers;
  read_data_function read_data;
  close_handle_function close_handle;
} winhttp;

/* The cast between function types is how GetProcAddress is used. */
#define LOOK_UP(table, field, type, name) \
  ((table)->field = (type)(void (*)(void))GetProcAddress((table)->module, name)) != NULL

static int load_winhttp(winhttp* http) {
  char path[MAX_PATH + sizeof "\\winhttp.dll"];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  memset(http, 0, sizeof *http);
  if (length == 0 || length >= MAX_PATH) return 0;
  memcpy(path + length, "\\winhttp.dll", sizeof "\\winhttp.dll");
  http->module = LoadLibraryA(path);
  if (http->module == NULL) return 0;
  if (LOOK_UP(http, open, open_function, "WinHttpOpen") &&
      LOOK_UP(http, set_timeouts, set_timeouts_function, "WinHttpSetTimeouts") &&
      LOOK_UP(http, connect, connect_function, "WinHttpConnect") &&
      LOOK_UP(http, open_request, open_request_function, "WinHttpOpenRequest") &&
      LOOK_UP(http, send_request, send_request_function, "WinHttpSendRequest") &&
      LOOK_UP(http, receive_response, receive_response_function, "WinHttpReceiveResponse") &&
      LOOK_UP(http, query_headers, query_headers_function, "WinHttpQueryHeaders") &&
      LOOK_UP(http, read_data, read_data_function, "WinHttpReadData") &&
      LOOK_UP(http, close_handle, close_handle_function, "WinHttpCloseHandle")) {
    return 1;
  }
  (void)FreeLibrary(http->module);
  http->module = NULL;
  return 0;
}

/* The URI's parts are printable ASCII (checked when parsed). */
static void widen(const char* text, wchar_t* wide, size_t size) {
  size_t i;
  for (i = 0; text[i] != '\0' && i + 1 < size; ++i) wide[i] = (wchar_t)(unsigned char)text[i];
  wide[i] = L'\0';
}

static int system_failure(paperchk_ipp_outcome* outcome, const paperchk_ipp_uri* uri, const char* what) {
  outcome->system_error = (uint32_t)GetLastError();
  return paperchk_ipp_fail(outcome, PAPERCHK_IPP_UNREACHABLE, "the printer at %s port %u cannot be reached: %s (error %lu)",
                           uri->host, uri->port, what, (unsigned long)outcome->system_error);
}

static int exchange_over(const winhttp* http, HINTERNET session, const paperchk_ipp_uri* uri, const uint8_t* body,
                         size_t body_size, uint8_t* exchange, size_t* body_size_out, paperchk_ipp_outcome* outcome) {
  wchar_t host[sizeof uri->host];
  wchar_t path[sizeof uri->path];
  wchar_t type[64];
  DWORD status = 0;
  DWORD length = sizeof status;
  HINTERNET connection;
  HINTERNET request;
  int result = PAPERCHK_IPP_AGREE;
  widen(uri->host, host, sizeof host / sizeof host[0]);
  widen(uri->path, path, sizeof path / sizeof path[0]);
  connection = http->connect(session, host, (INTERNET_PORT)uri->port, 0);
  if (connection == NULL) return system_failure(outcome, uri, "no connection");
  request = http->open_request(connection, L"POST", path, NULL, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                               uri->secure ? WINHTTP_FLAG_SECURE : 0);
  if (request == NULL) {
    result = system_failure(outcome, uri, "no request");
  } else if (!http->send_request(request, L"Content-Type: application/ipp\r\n", (DWORD)-1L, (LPVOID)(uintptr_t)body,
                                 (DWORD)body_size, (DWORD)body_size, 0) ||
             !http->receive_response(request, NULL)) {
    result = system_failure(outcome, uri, "no answer");
  } else if (!http->query_headers(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, NULL, &status,
                                  &length, NULL)) {
    result = system_failure(outcome, uri, "no HTTP status");
  } else if ((outcome->http_status = status) != 200) {
    result = paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, "the server answered with HTTP status %lu, not with IPP",
                               (unsigned long)status);
  } else {
    length = sizeof type;
    if (!http->query_headers(request, WINHTTP_QUERY_CONTENT_TYPE, NULL, type, &length, NULL) ||
        _wcsnicmp(type, L"application/ipp", 15) != 0) {
      result = paperchk_ipp_fail(outcome, PAPERCHK_IPP_NOT_IPP, "the server's answer is not of type application/ipp");
    } else {
      size_t got = 0;
      for (;;) {
        DWORD read = 0;
        /* One byte more than the limit tells an answer over it. */
        if (!http->read_data(request, exchange + got, (DWORD)(PAPERCHK_IPP_MAX_RESPONSE_SIZE + 1u - got), &read)) {
          result = system_failure(outcome, uri, "the answer broke off");
          break;
        }
        if (read == 0) break;
        got += read;
        if (got > PAPERCHK_IPP_MAX_RESPONSE_SIZE) {
          result = paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's response is over %u bytes",
                                     PAPERCHK_IPP_MAX_RESPONSE_SIZE);
          break;
        }
      }
      *body_size_out = got;
    }
  }
  if (request != NULL) (void)http->close_handle(request);
  (void)http->close_handle(connection);
  return result;
}

int paperchk_ipp_post(const paperchk_ipp_uri* uri, const uint8_t* body, size_t body_size, uint32_t timeout_ms,
                      uint8_t* exchange, size_t* body_offset, size_t* body_size_out, paperchk_ipp_outcome* outcome) {
  winhttp http;
  HINTERNET session;
  int result;
  const int timeout = timeout_ms > 0x7FFFFFFFu ? 0x7FFFFFFF : (int)timeout_ms;
  *body_offset = 0;
  *body_size_out = 0;
  if (!load_winhttp(&http)) {
    outcome->system_error = (uint32_t)GetLastError();
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_UNREACHABLE, "winhttp.dll cannot be loaded from the system folder (error %lu)",
                             (unsigned long)outcome->system_error);
  }
  session = http.open(L"paperchk", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (session == NULL) {
    result = system_failure(outcome, uri, "no WinHTTP session");
  } else {
    (void)http.set_timeouts(session, timeout, timeout, timeout, timeout);
    result = exchange_over(&http, session, uri, body, body_size, exchange, body_size_out, outcome);
    (void)http.close_handle(session);
  }
  (void)FreeLibrary(http.module);
  return result;
}
