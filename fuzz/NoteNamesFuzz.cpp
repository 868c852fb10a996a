// Note-name text files and stored set titles from arbitrary bytes: parsing must end cleanly on
// any input, name only keys 0..127, cut every name at 255 bytes, and a title read back must be
// answered without touching anything beyond the bytes.
#include <cstdint>
#include <cstdlib>

#include "midi/NoteNamesProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  velmora::NoteNames set;
  velmora::CUniMemoryReader reader(data, static_cast<std::uint32_t>(size));
  set.parse(reader);
  if (reader.remaining() != 0) std::abort();  // read to the end
  for (int key = 0; key < velmora::kNoteNameKeys; ++key)
    if (set.ownName(key).size() > velmora::kMaxNoteNameLength) std::abort();

  velmora::NoteNamesProvider provider;
  velmora::CUniMemoryReader stored(data, static_cast<std::uint32_t>(size));
  velmora::NoteNames loaded = set;
  if (!loaded.loadTitle(stored, provider) && !(loaded == set)) std::abort();  // failure leaves it alone
  return 0;
}
