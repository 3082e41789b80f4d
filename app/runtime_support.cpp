// What the program needs of the C++ run-time support, on the C heap, so that
// no part of the C++ library is linked in. Out of memory ends the process, as
// an unhandled allocation failure would.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) std::abort();
  return block;
}

void operator delete(void* block) noexcept { std::free(block); }

void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// Called only if a pure virtual function were reached through a half-built or
// half-destroyed object; the library's own version would pull in its verbose
// terminate handler.
extern "C" void __cxa_pure_virtual() {  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
  std::abort();
}
