#include "desktop.h"

namespace paperchk_driver {

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs) {
  const double deadline = NowMs() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (NowMs() >= deadline) return false;
    Sleep(stepMs);
  }
}

}  // namespace paperchk_driver
