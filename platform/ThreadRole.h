// Debug checks of what a thread is doing: inside the render pass (AudioScope) or running the
// user-interface queue's work (UiScope). The render pass must never run inside user-interface
// work, and user-interface-only paths (they allocate, read files, wait) must never run inside the
// render pass. Both are per thread, so a host that renders on its user-interface thread, as the
// program and off-line hosts do, is fine as long as it does not render from inside a queued task.
// With NDEBUG defined all of it compiles to nothing.
#pragma once

#ifndef NDEBUG
#include <cassert>
#endif

namespace velmora::platform {

#ifndef NDEBUG
namespace detail {
inline thread_local int audioDepth = 0;
inline thread_local int uiDepth = 0;
}  // namespace detail

// Whether the calling thread is inside the render pass. [any-thread, real-time safe]
inline bool inAudioScope() { return detail::audioDepth > 0; }
// Whether the calling thread runs the user-interface queue's work. [any-thread, real-time safe]
inline bool inUiScope() { return detail::uiDepth > 0; }

// Marks the calling thread as inside the render pass while it lives. [audio-thread, real-time safe]
class AudioScope {
 public:
  AudioScope() { ++detail::audioDepth; }
  ~AudioScope() { --detail::audioDepth; }
  AudioScope(const AudioScope&) = delete;
  AudioScope& operator=(const AudioScope&) = delete;
};

// Marks the calling thread as running user-interface work while it lives. [main-thread]
class UiScope {
 public:
  UiScope() { ++detail::uiDepth; }
  ~UiScope() { --detail::uiDepth; }
  UiScope(const UiScope&) = delete;
  UiScope& operator=(const UiScope&) = delete;
};
#else
inline constexpr bool inAudioScope() { return false; }
inline constexpr bool inUiScope() { return false; }
// Non-trivial, so that an unused scope raises no warning.
struct AudioScope {
  AudioScope() {}
};
struct UiScope {
  UiScope() {}
};
#endif

}  // namespace velmora::platform

#ifndef NDEBUG
// Stops a debug build where a user-interface-only path is taken inside the render pass.
#define TAMBORAK_ASSERT_NOT_AUDIO() \
  assert(!::velmora::platform::inAudioScope() && "user-interface-only path in the render pass")
// Stops a debug build where the render pass runs inside user-interface work.
#define TAMBORAK_ASSERT_NOT_UI() \
  assert(!::velmora::platform::inUiScope() && "render pass inside user-interface work")
#else
#define TAMBORAK_ASSERT_NOT_AUDIO() ((void)0)
#define TAMBORAK_ASSERT_NOT_UI() ((void)0)
#endif
