#include "frame/ComStream.h"

namespace velmora {

std::uint32_t UniStream<IStream*>::write(const void* buffer, std::uint32_t count) {
  ULONG written = count;
  stream_->Write(buffer, count, &written);
  return written;
}

std::uint32_t UniStream<IStream*>::read(void* buffer, std::uint32_t count) {
  ULONG got = count;
  stream_->Read(buffer, count, &got);
  return got;
}

}  // namespace velmora
