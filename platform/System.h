// Small facilities of the operating system: clock, program folder, diagnostic trace.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::platform {

// Milliseconds since an arbitrary start, wrapping in 32 bits (timeGetTime).
// [any-thread, real-time safe]
std::uint32_t millisecondClock() noexcept;

// The folder of the executable or shared object that holds this code, without a trailing
// separator, in native form. Empty when it cannot be found. [any-thread, not real-time safe]
std::string moduleFolder();

// Text of the last operating-system error of this thread (errno or GetLastError).
// [any-thread, not real-time safe]
std::string lastErrorText();

// Diagnostic trace: printf-style; one line per call. It goes nowhere unless a sink is set; the
// environment variable TAMBORAK_TRACE=1 sends it to standard error. Never shown to a user.
// [any-thread, not real-time safe]
void trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Replace the trace sink (tests record the lines). nullptr restores the default.
using TraceSink = void (*)(const char* line);
void setTraceSink(TraceSink sink) noexcept;

}  // namespace velmora::platform
