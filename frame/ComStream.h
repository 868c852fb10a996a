// The byte stream over a host's COM IStream, for the Windows host's persistence faces.
#pragma once

#include "hostapi/ComTypes.h"
#include "io/UniStream.h"

namespace velmora {

// A stream over a host's COM IStream: not owned, no reference taken. The byte count is the one
// the stream reports (the requested count when it reports none); result codes are ignored.
// [main-thread, not real-time safe]
template <>
class UniStream<IStream*> : public CUniStream {
 public:
  explicit UniStream(IStream* stream) : stream_(stream) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override;
  std::uint32_t read(void* buffer, std::uint32_t count) override;

 private:
  IStream* stream_;
};

}  // namespace velmora
