#include "engine/OfflineProcess.h"

#include <algorithm>
#include <limits>

#include "library/PatternSignature.h"
#include "loops/Looper.h"

namespace velmora {
namespace {

constexpr std::int32_t kMaxDivision = 0x7FFF;  // bit 15 of the file's division means SMPTE time

// The channel message of `event` at its time; false for a type that has none.
bool exportMessage(const MidiEvent& event, smf::ExportMessage& out) {
  std::uint8_t status = 0, data1 = 0, data2 = 0;
  if (!channelMessage(event, status, data1, data2)) return false;
  out.time = event.time;
  out.status = status;
  out.data1 = data1;
  out.data2 = data2;
  return true;
}

}  // namespace

OfflineProcess::OfflineProcess(Looper* const* slices, std::size_t count, const ExportTimeBase& timeBase)
    : slices_(slices, slices + count) {
  std::int32_t resolution = timeBase.ticksPerQuarter < 1 ? 480 : std::min(timeBase.ticksPerQuarter, kMaxDivision);
  numerator_ = timeBase.numerator >= 1 && timeBase.numerator <= 255 ? timeBase.numerator : 4;
  denominatorPower_ = timeBase.denominatorPower >= 0 && timeBase.denominatorPower <= 7 ? timeBase.denominatorPower : 2;
  tempo_ = timeBase.tempo >= 1 ? timeBase.tempo : 12000;
  if (denominatorPower_ < 2) {
    ticksPerBeat_ = resolution << (2 - denominatorPower_);
  } else {
    const std::int32_t beatsPerQuarter = 1 << (denominatorPower_ - 2);
    resolution = (resolution + beatsPerQuarter - 1) / beatsPerQuarter * beatsPerQuarter;
    if (resolution > kMaxDivision) resolution -= beatsPerQuarter;
    ticksPerBeat_ = resolution / beatsPerQuarter;
  }
  ticksPerQuarter = resolution;
}

std::vector<smf::ExportMessage> OfflineProcess::Collector::messages() const {
  std::vector<Entry> sorted = entries_;
  std::sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
    return a.message.time != b.message.time ? a.message.time < b.message.time : a.rank < b.rank;
  });
  std::vector<smf::ExportMessage> out;
  out.reserve(sorted.size());
  for (const Entry& entry : sorted) out.push_back(entry.message);
  return out;
}

OfflineProcess::~OfflineProcess() = default;

void OfflineProcess::emit(const MidiEvent& event) {
  if (!current_) return;
  MidiEvent forced = event;
  if (channel_ != -1) forced.channel = static_cast<std::uint8_t>(channel_ & 0x0F);
  smf::ExportMessage message;
  if (!exportMessage(forced, message)) return;
  current_->append(message);
  if (!event.isNote()) return;
  smf::ExportMessage off = message;
  off.status = static_cast<std::uint16_t>(message.status & 0xEF);
  // A note still open when its pattern ended sounds to the end of the exported range.
  const std::int64_t end = event.duration == kOpenDuration ? std::max<std::int64_t>(event.time, rangeEnd_)
                                                           : std::int64_t{event.time} + event.duration;
  off.time = static_cast<std::int32_t>(std::min<std::int64_t>(end, std::numeric_limits<std::int32_t>::max()));
  // A note of no length (or one whose end is cut at the last tick) ends right after it starts.
  if (off.time == message.time)
    current_->append(off);
  else
    current_->prepend(off);
}

std::int32_t OfflineProcess::mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) {
  const std::int64_t beats = (std::int64_t{measure} - 1) * numerator_ + beat - 1;
  return static_cast<std::int32_t>(beats * ticksPerBeat_ + tick);
}

void OfflineProcess::ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) {
  if (ticks < ticksPerBeat_) {
    measure = 1;
    beat = 1;
    tick = ticks;
    return;
  }
  tick = ticks % ticksPerBeat_;
  const std::int32_t beats = ticks / ticksPerBeat_;
  measure = beats / numerator_ + 1;
  beat = beats % numerator_ + 1;
}

void OfflineProcess::process(std::int32_t start, std::int32_t from, std::int32_t to) {
  start_ = start;
  rangeEnd_ = std::int64_t{to} + 1;
  const std::size_t fillSlot = static_cast<std::size_t>(kSlotFill);
  const Looper* fill = slices_.size() > fillSlot ? slices_[fillSlot] : nullptr;
  const FillCue cue{fill && fill->sounds(), fill ? fill->firstBeat() : 0, 0};
  for (std::size_t i = 0; i < slices_.size(); ++i) {
    selectCollector(i);
    if (!slices_[i]) continue;
    // Starting afresh keeps the pass from continuing a playback window that ended at `from`,
    // and restarting after it keeps playback from continuing the export's.
    slices_[i]->restartRender();
    renderPart(*slices_[i], static_cast<int>(i), phrase_, cue, *this, from, to);
    slices_[i]->restartRender();
  }
  selectCollector(slices_.size());
}

int OfflineProcess::write(CUniStream& stream) {
  smf::ExportTimeBase base;
  base.tempoBpm100 = static_cast<std::uint32_t>(tempo_);
  base.ticksPerQuarter = static_cast<std::uint16_t>(ticksPerQuarter);
  base.numerator = static_cast<std::uint8_t>(numerator_);
  base.denominatorPower = static_cast<std::uint8_t>(denominatorPower_);
  base.start = start_;
  return smf::writeExportSmf(stream, base, tracks());
}

std::vector<smf::ExportTrack> SingleTrackProcess::tracks() {
  std::vector<smf::ExportTrack> out(1);
  out[0].messages = collector_.messages();
  return out;
}

std::vector<smf::ExportTrack> MultiTrackProcess::tracks() {
  std::vector<smf::ExportTrack> out(collectors_.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (slices_[i]) out[i].name = slices_[i]->exportTitle();
    out[i].messages = collectors_[i].messages();
  }
  return out;
}

}  // namespace velmora
