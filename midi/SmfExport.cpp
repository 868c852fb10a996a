#include "midi/SmfExport.h"

#include "midi/SmfImage.h"
#include "midi/SmfParser.h"
#include "midi/SmfText.h"

namespace velmora::smf {
namespace {

constexpr std::uint32_t kMaxTempoField = 0xFFFFFF;

std::uint32_t microsecondsPerQuarter(std::uint32_t tempoBpm100) {
  if (tempoBpm100 == 0) return 500000;
  const std::uint64_t us = 6000000000ULL / tempoBpm100;
  return us > kMaxTempoField ? kMaxTempoField : static_cast<std::uint32_t>(us);
}

void writeTempoChunk(SmfChunk& chunk, const ExportTimeBase& tb) {
  putTimeSignature(chunk, tb.numerator, tb.denominatorPower);
  const std::uint32_t us = microsecondsPerQuarter(tb.tempoBpm100);
  const std::uint8_t tempo[3] = {static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
                                 static_cast<std::uint8_t>(us)};
  putMetaEvent(chunk, 0, kMetaTempo, 3, tempo);
  putMetaEvent(chunk, 0, kMetaEndOfTrack, 0, nullptr);
}

void writeEventChunk(SmfChunk& chunk, const ExportTrack& track, std::int32_t start) {
  if (!track.name.empty()) {
    const std::string name = underscoreSeparators(track.name);
    putMetaEvent(chunk, 0, kMetaTrackName, static_cast<std::uint32_t>(name.size()),
                 reinterpret_cast<const std::uint8_t*>(name.data()));
  }
  std::uint32_t last = static_cast<std::uint32_t>(start);
  for (const ExportMessage& m : track.messages) {
    const std::uint32_t time = static_cast<std::uint32_t>(m.time);
    putChannelMessage(chunk, time - last, static_cast<std::uint8_t>(m.status), static_cast<std::uint8_t>(m.data1 & 0x7F),
                      static_cast<std::uint8_t>(m.data2 & 0x7F));
    last = time;
  }
  putMetaEvent(chunk, 0, kMetaEndOfTrack, 0, nullptr);
}

}  // namespace

int writeExportSmf(CUniStream& stream, const ExportTimeBase& timeBase, const std::vector<ExportTrack>& tracks) {
  SmfImage image;
  image.format = 1;
  image.trackCount = static_cast<std::uint16_t>(tracks.size() + 1);
  image.division = timeBase.ticksPerQuarter;
  if (SmfChunk* chunk = addChunk(image); chunk && allocChunkData(*chunk, 16) == kOk) writeTempoChunk(*chunk, timeBase);
  for (const ExportTrack& track : tracks) {
    SmfChunk* chunk = addChunk(image);
    if (!chunk) break;
    const std::uint64_t capacity = 3 + 6 * std::uint64_t{track.messages.size()} + (track.name.empty() ? 0 : 6);
    if (allocChunkData(*chunk, capacity > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(capacity)) == kOk)
      writeEventChunk(*chunk, track, timeBase.start);
  }
  writeImage(image, stream);
  return 0;
}

}  // namespace velmora::smf
