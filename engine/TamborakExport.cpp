// The engine's export of the loop as a Standard MIDI File: the slices render off line into a
// collector with the host's time base.
#include <algorithm>
#include <limits>
#include <memory>

#include "engine/Tamborak.h"
#include "engine/OfflineProcess.h"
#include "loops/Looper.h"
#include "platform/ThreadRole.h"

namespace velmora {

bool Tamborak::exportLoop(CUniStream& stream) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (!allSlicesPresent()) return false;
  ExportTimeBase base;
  fillTimeBase(&base);
  // The fill (and its track) takes part only while the loop has phrases.
  const PhraseSettings phrase = this->phrase();
  std::array<Looper*, kPartCount> slices{};
  for (std::size_t i = 0; i < slices.size(); ++i) slices[i] = slices_[i].get();
  const std::size_t count = phrase.bars > 0 ? kPartCount : kSliceCount;
  std::unique_ptr<OfflineProcess> process;
  if (exportOption_ != 0)
    process = std::make_unique<MultiTrackProcess>(slices.data(), count, base);
  else
    process = std::make_unique<SingleTrackProcess>(slices.data(), count, base);
  process->setPhrase(phrase);
  // The file carries what playback sends: the output channel, when one is set, on every note.
  process->forceChannel(outChannel_);
  // The length is measured at the host's resolution; the file's may be rounded to whole beats,
  // and the loop keeps its bars in it.
  const std::int64_t end = std::min<std::int64_t>(
      std::int64_t{exportLength(getNowTime())} * process->ticksPerQuarter / base.ticksPerQuarter,
      std::numeric_limits<std::int32_t>::max());
  process->process(0, 0, static_cast<std::int32_t>(end - 1));
  process->write(stream);
  return true;
}

}  // namespace velmora
