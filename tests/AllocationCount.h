// Counts the allocations of the calling thread, to prove the render pass makes none: replaces
// the global operator new, so include it from one file of a test program only. The thread
// sanitizer's runtime brings its own operator new, so that build does not count.
#pragma once

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_THREAD__)
#define TAMBORAK_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAMBORAK_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef TAMBORAK_COUNTS_ALLOCATIONS
#define TAMBORAK_COUNTS_ALLOCATIONS 1
#endif
namespace {
thread_local std::size_t allocations = 0;
}
#if TAMBORAK_COUNTS_ALLOCATIONS
// Kept out of line: GCC would pair an inlined free with the new it sees and warn of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++allocations;
  return std::malloc(size ? size : 1);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif
