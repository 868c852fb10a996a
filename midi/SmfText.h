// Text rules shared by the MIDI file writers.
#pragma once

#include <string>

namespace velmora::smf {

// Names and labels are written with every space and "-" turned into "_". [any-thread]
inline std::string underscoreSeparators(std::string text) {
  for (char& c : text)
    if (c == ' ' || c == '-') c = '_';
  return text;
}

}  // namespace velmora::smf
