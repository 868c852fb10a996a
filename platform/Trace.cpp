#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/System.h"

namespace velmora::platform {
namespace {
std::atomic<TraceSink> traceSink{nullptr};

void defaultSink(const char* line) {
  static const bool enabled = [] {
    const char* v = std::getenv("TAMBORAK_TRACE");
    return v != nullptr && *v != '\0' && *v != '0';
  }();
  if (enabled) std::fputs(line, stderr);
}
}  // namespace

void trace(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  TraceSink sink = traceSink.load();
  (sink ? sink : defaultSink)(line);
}

void setTraceSink(TraceSink sink) noexcept { traceSink.store(sink); }

}  // namespace velmora::platform
