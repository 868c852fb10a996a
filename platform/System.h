// Small facilities of the operating system: clock, program folder, diagnostic trace.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

// Milliseconds since an arbitrary start, wrapping in 32 bits (timeGetTime).
// [any-thread, real-time safe]
std::uint32_t millisecondClock() noexcept;

// The folder of the executable or shared object that holds this code, without a trailing
// separator, in native form. Empty when it cannot be found. [any-thread, not real-time safe]
std::string moduleFolder();

// The user's own folder for the program's files: %APPDATA%\Velmora\Tamborak on Windows, else
// $XDG_DATA_HOME/tamborak (default ~/.local/share/tamborak). Not created here; empty when it
// cannot be found. [any-thread, not real-time safe]
std::string userDataFolder();

// Folders where shipped data is installed for the whole machine, in the order to search them:
// each entry of $XDG_DATA_DIRS (default /usr/local/share:/usr/share) followed by "tamborak";
// none on Windows, where the data ships beside the program. [any-thread, not real-time safe]
std::vector<std::string> sharedDataFolders();

// Whether the calling user can create files in `folder`: makes an exclusive temporary file there
// and removes it. [any-thread, not real-time safe: writes to the disk]
bool canCreateFilesIn(const std::string& folder);

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
