// Feeds arbitrary bytes to the registry text reader. Whatever it accepts must write back to a
// text that reads as the same tree and writes the same text again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace rf = velmora::platform::regfile;
  rf::Tree tree;
  rf::ParseError error;
  if (!rf::parse(std::string_view(reinterpret_cast<const char*>(data), size), tree, error)) return 0;
  const std::string text = rf::format(tree);
  rf::Tree again;
  if (!rf::parse(text, again, error) || again != tree || rf::format(again) != text) std::abort();
  return 0;
}
