#pragma once
#include <vector>
#include "engine/Window.h"
#include "loops/Looper.h"
  #  include "frame/Filter.h"
#include "platform/File.h"
