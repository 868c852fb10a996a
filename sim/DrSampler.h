// The drum sampler's side of the link, as far as the link relies on it: a host object that
// offers the sampler's interface and, optionally, its pad names, and a block loop that calls
// process with the sampler's transport and collects each block's pad triggers in list order,
// at their sample position from the start. [any-thread, one at a time: the simulated sampler's]
#pragma once

#include <array>
#include <cstring>
#include <vector>

#include "hostapi/DrApi.h"
#include "hostapi/DrPadNames.h"
#include "sim/ComObject.h"

namespace velmora::sim {

class DrHost final : public ComObject<IDrPadNames> {
 public:
  explicit DrHost(bool sampler = true, bool padNames = true) : sampler_(sampler), padNames_(padNames) {
    for (int pad = 0; pad < kDrPadCount; ++pad) std::memcpy(&labels_[pad * kDrPadLabelSize], "Pad", 4);
    std::memcpy(&labels_[5 * kDrPadLabelSize], "Kick1", 5);  // fills its field: no NUL; no sample
  }
  STDMETHOD(getPadLabels)(const char** labels) override {
    if (!labels) return E_POINTER;
    *labels = labels_.data();
    return S_OK;
  }
  STDMETHOD(getPadInfo)(std::int32_t pad, DrPadInfo* info) override {
    if (!info) return E_POINTER;
    std::strcpy(info->sample, pad == 5 ? "" : "Kit");
    return S_OK;
  }
  IUnknown* unknown() { return static_cast<IDrPadNames*>(this); }

 private:
  void* face(REFIID iid) override {
    if (iid == IID_IUnknown || (iid == IID_IDrHost && sampler_) || (iid == IID_IDrPadNames && padNames_))
      return static_cast<IDrPadNames*>(this);
    return nullptr;
  }
  bool sampler_, padNames_;
  std::array<char, kDrPadCount * kDrPadLabelSize> labels_{};
};

// A pad trigger at its sample position counted from the first block.
struct DrHit {
  std::int64_t sample;
  std::int32_t pad, velocity;
  friend bool operator==(const DrHit&, const DrHit&) = default;
};

// Calls process for one block and appends its triggers, walking the block's list; `inOrder`
// turns false when the list is not in offset order or does not hold every record.
inline HRESULT drBlock(IDrumDeploy& link, std::int64_t blockStart, std::int32_t length, const DrTransport& transport,
                       double tempo, std::vector<DrHit>& hits, bool& inOrder, std::int32_t idle = 0) {
  std::array<DrPadTrigger, 512> records{};
  std::int32_t count = 0, first = -1, cursor = 0;
  const DrOutput output{records.data(), static_cast<std::int32_t>(records.size()), &count, &first, &cursor};
  const DrTempo beats{tempo};
  const HRESULT result = link.process(length, &transport, &beats, idle, &output);
  std::int32_t seen = 0, last = 0;
  for (std::int32_t i = first; i >= 0 && seen <= count; i = records[static_cast<std::size_t>(i)].next, ++seen) {
    const DrPadTrigger& r = records[static_cast<std::size_t>(i)];
    inOrder = inOrder && r.offset >= last;
    last = r.offset;
    hits.push_back({blockStart + r.offset, r.pad, r.velocity});
  }
  inOrder = inOrder && seen == count && cursor == count;
  return result;
}

}  // namespace velmora::sim
