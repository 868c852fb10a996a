#pragma once
#include <windows.h>
#include "engine/Engine.h"
HRESULT STDMETHODCALLTYPE connect(IUnknown* context);
