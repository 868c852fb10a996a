// A Standard MIDI File held in memory: the header words and a chain of raw track chunks, with the
// byte-level writers (variable-length quantities, channel messages, meta events) and the reader
// that splits a stream into chunks. Multi-byte numbers in the file are big-endian.
#pragma once

#include <cstdint>

#include "io/UniStream.h"

namespace velmora::smf {

// Results of the image operations.
inline constexpr int kOk = 0;
inline constexpr int kNoMemory = -2;
inline constexpr int kFormatError = -3;

// Chunk buffers grow in steps of this many bytes.
inline constexpr std::uint32_t kChunkGrowStep = 1000;

// One raw track chunk. The buffer lives on the C heap; length is also the write position.
struct SmfChunk {
  std::uint32_t reserved = 0;
  std::uint32_t capacity = 0;
  std::uint32_t length = 0;
  std::uint8_t* data = nullptr;
  SmfChunk* next = nullptr;
};

// Header words and the chunk chain in file order. The image owns its chunks: destroying it frees
// them, so it cannot be copied.
struct SmfImage {
  std::uint16_t format = 1;
  std::uint16_t trackCount = 0;
  std::uint16_t division = 96;
  SmfChunk* chunks = nullptr;
  SmfChunk* lastChunk = nullptr;  // the end of the chain, so appending costs the same at any length

  SmfImage() = default;
  SmfImage(const SmfImage&) = delete;
  SmfImage& operator=(const SmfImage&) = delete;
  ~SmfImage();
};

// All operations below: [any-thread] on an image the caller owns; not real-time safe (heap).

// Frees any chunks and sets the defaults: format 1, no tracks, division 96.
void initImage(SmfImage& image);
// Appends a zeroed chunk to the chain; nullptr when memory runs out.
SmfChunk* addChunk(SmfImage& image);
// Gives the chunk a fresh buffer of `size` bytes (capacity = size); kOk or kNoMemory.
int allocChunkData(SmfChunk& chunk, std::uint32_t size);
// Enlarges the buffer to `size` when that exceeds the capacity; kNoMemory also when it does not.
int growChunkData(SmfChunk& chunk, std::uint32_t size);
// Appends one byte, growing the buffer by kChunkGrowStep when full. A byte that finds no memory
// is dropped rather than written past the buffer.
void putByte(SmfChunk& chunk, std::uint8_t byte);
// Appends a variable-length quantity: 7-bit groups from bit 28 down, leading zero groups dropped,
// bit 7 set on all bytes but the last. Values of 2^28 and more take five bytes.
void putVarLen(SmfChunk& chunk, std::uint32_t value);
// Appends delta, status, data 1 and, unless the status is a program change or channel pressure,
// data 2. The status is written on every message (no running status).
void putChannelMessage(SmfChunk& chunk, std::uint32_t delta, std::uint8_t status, std::uint8_t data1,
                       std::uint8_t data2);
// Appends delta, 0xFF, type, the length as a variable-length quantity and the bytes.
void putMetaEvent(SmfChunk& chunk, std::uint32_t delta, std::uint8_t type, std::uint32_t length,
                  const std::uint8_t* bytes);
// Appends a time signature at delta 0: numerator, the denominator as a power of two, MIDI clocks
// per beat (96 >> power, 24 for a quarter-note beat) and 8 thirty-seconds per quarter.
void putTimeSignature(SmfChunk& chunk, std::uint8_t numerator, std::uint8_t denominatorPower);
// Writes "MThd", 6, format, track count, division, then track-count chunks of the chain as
// "MTrk", length and bytes. Always kOk.
int writeImage(const SmfImage& image, CUniStream& stream);
// Replaces the image with one read from the stream: the header, then track-count chunks, each of
// which must be tagged "MTrk". kFormatError for a bad tag or header length and for a stream that
// ends early; kNoMemory when memory runs out. Reads exactly the bytes of the file and no more, and
// allocates a chunk only as its bytes arrive, so a hostile length cannot force a huge buffer.
int readImage(SmfImage& image, CUniStream& stream);
// Frees every chunk; kOk.
int freeImage(SmfImage& image);

}  // namespace velmora::smf
