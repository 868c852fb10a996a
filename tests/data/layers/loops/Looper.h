#pragma once
#include "../engine/Window.h"
#include <sys/stat.h>

// Plays what IPersistStream would have stored; no IUnknown here.
struct IStreamSink;
struct Looper {
  int UniStream = 0, trackGUID = 0;
  HRESULT
  play(IUnknown* host);
};
