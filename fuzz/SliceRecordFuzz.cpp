// Slice records from arbitrary bytes, read by a slice over a small pattern library: reading must
// end cleanly on any input, never read past the data, and what a slice saves after reading must
// read back whole into the same fields. (The own events are compared by the MIDI file reader's
// own target: a track without notes, for one, is not read back from a file.)
#include <cstdint>
#include <cstdlib>

#include "fuzz/SliceLibrary.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  test::StubEngine& stub = test::fuzzSliceEngine();
  stub.reasons.clear();
  Looper slice(stub);
  CUniMemoryReader reader(data, static_cast<std::uint32_t>(size));
  if (!slice.load(reader)) return 0;
  if (reader.position() > size) std::abort();
  const std::string first = test::saved(slice);
  CUniStream events;
  if (slice.ownEvents()) slice.track().SaveSmf(events);
  const std::size_t fields = first.size() - events.bytesWritten();
  Looper again(stub);
  CUniMemoryReader back(first.data(), static_cast<std::uint32_t>(first.size()));
  if (!again.load(back) || back.remaining() != 0 || test::saved(again).compare(0, fields, first, 0, fields) != 0) std::abort();
  return 0;
}
