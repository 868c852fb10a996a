// The engine's diagnostic lines ("EVENTS from %d to %d, count = %d\n" and the like) go to this
// hook, which does nothing: several of them are written on the render path, where formatting
// text would cost time. The format is still checked by the compiler. [any-thread, real-time safe]
#pragma once

namespace velmora {

inline void engineTrace(const char* /*format*/, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

inline void engineTrace(const char*, ...) {}

}  // namespace velmora
