// The drum sampler's pad-name interface: labels of its 96 pads and the sample loaded on each.
// It belongs to the sampler; only these two operations are used.
#pragma once

#include <cstdint>

#include "hostapi/ComTypes.h"

namespace velmora {

inline constexpr IID IID_IDrPadNames = {0xFEB55A03, 0xF7A6, 0x41B7, {0xA8, 0x26, 0xAE, 0xBD, 0x80, 0xE3, 0xC0, 0xB5}};

inline constexpr int kDrPadCount = 96;
// Bytes per pad label, NUL included when the label is shorter.
inline constexpr int kDrPadLabelSize = 5;

// What the sampler tells about one pad; the sample text is NUL-terminated when shorter than the
// field, empty when no sample is loaded.
struct DrPadInfo {
  char sample[256];
};

struct IDrPadNames : IUnknown {
  // Points `labels` at the sampler's table of kDrPadCount labels of kDrPadLabelSize bytes each.
  STDMETHOD(getPadLabels)(const char** labels) = 0;
  // Fills `info` for pad 0..kDrPadCount-1.
  STDMETHOD(getPadInfo)(std::int32_t pad, DrPadInfo* info) = 0;

 protected:
  ~IDrPadNames() = default;
};

}  // namespace velmora
