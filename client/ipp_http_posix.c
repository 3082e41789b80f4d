/* The IPP exchange over POSIX sockets (the host build's tests): HTTP/1.1
 * POST, one connection per exchange, every wait bounded by the timeout. No
 * TLS here: ipps:// is refused. */
#define _POSIX_C_SOURCE 200112L /* NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the feature-test macro the C library reads for getaddrinfo */

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "ipp_internal.h"

#ifndef MSG_NOSIGNAL
#define MSG_NOSIGNAL 0
#endif

static long long now_ms(void) {
  struct timespec now;
  (void)clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

/* Waits for the socket until the deadline: 1 ready, 0 timed out, -1 failed. */
static int wait_for(int socket_fd, short events, long long deadline) {
  for (;;) {
    struct pollfd each;
    const long long left = deadline - now_ms();
    int ready;
    if (left <= 0) return 0;
    each.fd = socket_fd;
    each.events = events;
    each.revents = 0;
    ready = poll(&each, 1, left > 60000 ? 60000 : (int)left);
    if (ready > 0) return 1;
    if (ready < 0 && errno != EINTR) return -1;
  }
}

static int connect_to(const paperchk_ipp_uri* uri, long long deadline, int* socket_out, paperchk_ipp_outcome* outcome) {
  struct addrinfo hints;
  struct addrinfo* addresses = NULL;
  struct addrinfo* each;
  char port[8];
  int found;
  int last_error = ECONNREFUSED;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  (void)snprintf(port, sizeof port, "%u", uri->port);
  found = getaddrinfo(uri->host, port, &hints, &addresses);
  if (found != 0) {
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_UNREACHABLE, "the printer's host '%s' is not known (%s)",
                             uri->host, gai_strerror(found));
  }
  for (each = addresses; each; each = each->ai_next) {
    int error = 0;
    socklen_t length = sizeof error;
    const int fd = socket(each->ai_family, each->ai_socktype, each->ai_protocol);
    if (fd < 0) {
      last_error = errno;
      continue;
    }
    (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (connect(fd, each->ai_addr, each->ai_addrlen) == 0 ||
        (errno == EINPROGRESS && wait_for(fd, POLLOUT, deadline) == 1 &&
         getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)) {
      freeaddrinfo(addresses);
      *socket_out = fd;
      return PAPERCHK_IPP_AGREE;
    }
    last_error = error ? error : errno == EINPROGRESS ? ETIMEDOUT : errno;
    (void)close(fd);
  }
  freeaddrinfo(addresses);
  outcome->system_error = (uint32_t)last_error;
  return paperchk_ipp_fail(outcome, PAPERCHK_IPP_UNREACHABLE, "the printer at %s port %u cannot be reached (%s)",
                           uri->host, uri->port, strerror(last_error));
}

static int send_all(int fd, const uint8_t* data, size_t size, long long deadline) {
  size_t sent = 0;
  while (sent < size) {
    const ssize_t now = send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (now > 0) {
      sent += (size_t)now;
    } else if (now < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (wait_for(fd, POLLOUT, deadline) != 1) return 0;
    } else {
      return 0;
    }
  }
  return 1;
}

int paperchk_ipp_post(const paperchk_ipp_uri* uri, const uint8_t* body, size_t body_size, uint32_t timeout_ms,
                      uint8_t* exchange, size_t* body_offset, size_t* body_size_out, paperchk_ipp_outcome* outcome) {
  char header[PAPERCHK_IPP_MAX_URI_LENGTH + 512];
  long long deadline = now_ms() + timeout_ms;
  size_t got = 0;
  const int ipv6 = strchr(uri->host, ':') != NULL; /* an IPv6 address goes in brackets */
  int header_length;
  int fd = -1;
  int result;
  if (uri->secure) {
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_NO_TLS, "ipps:// needs TLS, which this build of the module lacks");
  }
  if (connect_to(uri, deadline, &fd, outcome) != PAPERCHK_IPP_AGREE) return outcome->result;
  header_length = snprintf(header, sizeof header,
                           "POST %s HTTP/1.1\r\nHost: %s%s%s:%u\r\nContent-Type: application/ipp\r\n"
                           "Content-Length: %lu\r\nConnection: close\r\n\r\n",
                           uri->path, ipv6 ? "[" : "", uri->host, ipv6 ? "]" : "", uri->port,
                           (unsigned long)body_size);
  deadline = now_ms() + timeout_ms; /* connected: the answer gets the whole time again */
  if (header_length <= 0 || (size_t)header_length >= sizeof header ||
      !send_all(fd, (const uint8_t*)header, (size_t)header_length, deadline) || !send_all(fd, body, body_size, deadline)) {
    outcome->system_error = (uint32_t)errno;
    (void)close(fd);
    return paperchk_ipp_fail(outcome, PAPERCHK_IPP_UNREACHABLE, "the request could not be sent to %s port %u (%s)",
                             uri->host, uri->port, strerror(errno));
  }
  for (;;) {
    ssize_t now;
    const int ready = wait_for(fd, POLLIN, deadline);
    if (ready != 1) {
      outcome->system_error = ready == 0 ? (uint32_t)ETIMEDOUT : (uint32_t)errno;
      result = paperchk_ipp_fail(outcome, PAPERCHK_IPP_UNREACHABLE, "the printer at %s port %u did not answer within %lu ms",
                                 uri->host, uri->port, (unsigned long)timeout_ms);
      break;
    }
    if (got == PAPERCHK_IPP_EXCHANGE_SIZE) {
      result = paperchk_ipp_fail(outcome, PAPERCHK_IPP_OVER_LIMIT, "the printer's answer is over %u bytes",
                                 PAPERCHK_IPP_EXCHANGE_SIZE);
      break;
    }
    now = recv(fd, exchange + got, PAPERCHK_IPP_EXCHANGE_SIZE - got, 0);
    if (now < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (now > 0) got += (size_t)now;
    result = paperchk_ipp_http_answer(exchange, got, now <= 0, body_offset, body_size_out, outcome);
    if (result >= 0) break;
  }
  (void)close(fd);
  return result;
}
