#include "midi/SmfImage.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "midi/SmfParser.h"

namespace velmora::smf {
namespace {

// Chunk bodies are read in steps of at most this many bytes, so memory follows the data that
// actually arrives rather than the length the file claims.
constexpr std::uint32_t kReadStep = 64 * 1024;

void putBE(std::uint8_t* out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
}

std::uint32_t getBE(const std::uint8_t* in, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | in[i];
  return value;
}

bool readExactly(CUniStream& stream, void* buffer, std::uint32_t count) {
  return stream.read(buffer, count) == count;
}

// Reads `length` chunk bytes into the chunk, growing its buffer step by step.
int readChunkBody(SmfChunk& chunk, CUniStream& stream, std::uint32_t length) {
  const std::uint32_t first = length < kReadStep ? length : kReadStep;
  if (allocChunkData(chunk, first) != kOk) return kNoMemory;
  while (chunk.length < length) {
    const std::uint32_t left = length - chunk.length;
    const std::uint32_t step = left < kReadStep ? left : kReadStep;
    if (chunk.capacity - chunk.length < step && growChunkData(chunk, chunk.length + step) != kOk) return kNoMemory;
    const std::uint32_t got = stream.read(chunk.data + chunk.length, step);
    if (got > step) return kFormatError;  // a backing that claims more than it was asked for
    chunk.length += got;
    if (got < step) return kFormatError;
  }
  return kOk;
}

}  // namespace

SmfImage::~SmfImage() { freeImage(*this); }

void initImage(SmfImage& image) {
  freeImage(image);
  image.format = 1;
  image.trackCount = 0;
  image.division = 96;
}

SmfChunk* addChunk(SmfImage& image) {
  void* memory = std::calloc(1, sizeof(SmfChunk));
  if (!memory) return nullptr;
  SmfChunk* chunk = new (memory) SmfChunk();
  (image.lastChunk ? image.lastChunk->next : image.chunks) = chunk;
  image.lastChunk = chunk;
  return chunk;
}

int allocChunkData(SmfChunk& chunk, std::uint32_t size) {
  void* data = std::malloc(size ? size : 1);
  if (!data) return kNoMemory;
  std::free(chunk.data);
  chunk.data = static_cast<std::uint8_t*>(data);
  chunk.capacity = size;
  chunk.length = 0;
  return kOk;
}

int growChunkData(SmfChunk& chunk, std::uint32_t size) {
  if (size <= chunk.capacity) return kNoMemory;
  void* data = std::realloc(chunk.data, size);
  if (!data) return kNoMemory;
  chunk.data = static_cast<std::uint8_t*>(data);
  chunk.capacity = size;
  return kOk;
}

void putByte(SmfChunk& chunk, std::uint8_t byte) {
  if (chunk.length == chunk.capacity) {
    if (chunk.capacity > 0xFFFFFFFFu - kChunkGrowStep) return;
    if (growChunkData(chunk, chunk.capacity + kChunkGrowStep) != kOk) return;
  }
  chunk.data[chunk.length++] = byte;
}

void putVarLen(SmfChunk& chunk, std::uint32_t value) {
  bool started = false;
  for (int shift = 28; shift > 0; shift -= 7) {
    const std::uint8_t group = static_cast<std::uint8_t>((value >> shift) & 0x7F);
    if (group || started) {
      putByte(chunk, group | 0x80);
      started = true;
    }
  }
  putByte(chunk, static_cast<std::uint8_t>(value & 0x7F));
}

void putChannelMessage(SmfChunk& chunk, std::uint32_t delta, std::uint8_t status, std::uint8_t data1,
                       std::uint8_t data2) {
  putVarLen(chunk, delta);
  putByte(chunk, status);
  putByte(chunk, data1);
  const std::uint8_t kind = status & 0xF0;
  if (kind != 0xC0 && kind != 0xD0) putByte(chunk, data2);
}

void putMetaEvent(SmfChunk& chunk, std::uint32_t delta, std::uint8_t type, std::uint32_t length,
                  const std::uint8_t* bytes) {
  putVarLen(chunk, delta);
  putByte(chunk, 0xFF);
  putByte(chunk, type);
  putVarLen(chunk, length);
  for (std::uint32_t i = 0; i < length; ++i) putByte(chunk, bytes[i]);
}

void putTimeSignature(SmfChunk& chunk, std::uint8_t numerator, std::uint8_t denominatorPower) {
  const std::uint8_t clocks = static_cast<std::uint8_t>(denominatorPower < 7 ? 96 >> denominatorPower : 0);
  const std::uint8_t meter[4] = {numerator, denominatorPower, clocks, 8};
  putMetaEvent(chunk, 0, kMetaTimeSignature, 4, meter);
}

int writeImage(const SmfImage& image, CUniStream& stream) {
  std::uint8_t header[14] = {'M', 'T', 'h', 'd'};
  putBE(header + 4, 6, 4);
  putBE(header + 8, image.format, 2);
  putBE(header + 10, image.trackCount, 2);
  putBE(header + 12, image.division, 2);
  stream.write(header, sizeof header);
  const SmfChunk* chunk = image.chunks;
  for (std::uint32_t i = 0; i < image.trackCount && chunk; ++i, chunk = chunk->next) {
    std::uint8_t tag[8] = {'M', 'T', 'r', 'k'};
    putBE(tag + 4, chunk->length, 4);
    stream.write(tag, sizeof tag);
    if (chunk->length) stream.write(chunk->data, chunk->length);
  }
  return kOk;
}

int readImage(SmfImage& image, CUniStream& stream) {
  initImage(image);
  std::uint8_t header[14] = {};
  if (!readExactly(stream, header, sizeof header)) return kFormatError;
  if (std::memcmp(header, "MThd", 4) != 0 || getBE(header + 4, 4) != 6) return kFormatError;
  image.format = static_cast<std::uint16_t>(getBE(header + 8, 2));
  image.trackCount = static_cast<std::uint16_t>(getBE(header + 10, 2));
  image.division = static_cast<std::uint16_t>(getBE(header + 12, 2));
  for (std::uint32_t i = 0; i < image.trackCount; ++i) {
    SmfChunk* chunk = addChunk(image);
    if (!chunk) return kNoMemory;
    std::uint8_t tag[8] = {};
    if (!readExactly(stream, tag, sizeof tag)) return kFormatError;
    if (std::memcmp(tag, "MTrk", 4) != 0) return kFormatError;
    const int result = readChunkBody(*chunk, stream, getBE(tag + 4, 4));
    if (result != kOk) return result;
  }
  return kOk;
}

int freeImage(SmfImage& image) {
  SmfChunk* chunk = image.chunks;
  image.chunks = image.lastChunk = nullptr;
  while (chunk) {
    SmfChunk* next = chunk->next;
    std::free(chunk->data);
    std::free(chunk);
    chunk = next;
  }
  return kOk;
}

}  // namespace velmora::smf
