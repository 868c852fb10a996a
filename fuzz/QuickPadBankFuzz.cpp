// Quick-pad bank records from arbitrary bytes: reading must end cleanly, keep at most one entry
// per pad, and a bank read must write and read back into the same entries.
#include <cstdint>
#include <cstdlib>

#include "loops/QuickPadBank.h"

using namespace velmora;

namespace {

bool sameEntries(const QuickPadBank& a, const QuickPadBank& b) {
  if (a.entries().size() != b.entries().size()) return false;
  for (std::size_t i = 0; i < a.entries().size(); ++i)
    if (a.entries()[i].index != b.entries()[i].index || a.entries()[i].loop != b.entries()[i].loop) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  QuickPadBank bank;
  CUniMemoryReader reader(data, static_cast<std::uint32_t>(size));
  bank.load(reader);
  for (const auto& entry : bank.entries())
    if (bank.find(entry.index) != &entry) std::abort();
  std::string bytes;
  CUniString out(bytes);
  bank.save(out);
  QuickPadBank copy;
  CUniMemoryReader back(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (!copy.load(back) || back.remaining() != 0 || !sameEntries(bank, copy)) std::abort();
  return 0;
}
