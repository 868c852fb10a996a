// The quick pads: loops kept in memory by pad index, recalled instantly while playing. Each
// entry holds the bytes of one loop block as the engine wrote it. The bank is stored only inside
// the engine's state block, so pads live in the host's project, not in loop files.
//
// Bank record: version (4 bytes, written 1, ignored on reading) | n (4 bytes) | n times: pad
// index (4 bytes, signed) | length L (4 bytes) | L bytes of a loop block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/UniStream.h"

namespace velmora {

// The engine's loop operations that the pads use. The engine implements them.
class QuickPadHost {
 public:
  virtual ~QuickPadHost() = default;
  // Writes the current loop as a loop block without IDRC records; with markSaved the slices'
  // edited flags are cleared first.
  virtual bool saveLoop(CUniStream& stream, bool markSaved) = 0;
  // Reads a loop block without IDRC records; with flags other than 0 the engine reports
  // "Tamborak::LoadLoop". The same operation as LoopLoader::LoadLoop, so one engine method
  // serves both.
  virtual bool LoadLoop(CUniStream& stream, int flags) = 0;
  // Empties all six slices.
  virtual void clearLoop() = 0;
};

class QuickPadBank {
 public:
  struct Entry {
    std::int32_t index;
    std::string loop;  // one loop block
  };

  static constexpr std::uint32_t kRecordVersion = 1;

  // [main-thread] An empty bank with room for ten entries, bound to no host.
  QuickPadBank();
  QuickPadBank(const QuickPadBank&) = delete;
  QuickPadBank& operator=(const QuickPadBank&) = delete;

  // The engine binds the bank once; the host is not owned. [main-thread]
  void bind(QuickPadHost& host) { host_ = &host; }

  // Stores the current loop into pad `index` (edited flags untouched): the entry of the index
  // gets the new bytes, or a new entry is appended when the pad was empty. Storing allocates
  // only when the loop outgrows the entry's buffer (or the bank its ten entries); the entry's
  // capacity is kept. Needs a bound host. [main-thread, not real-time safe: the host writes the
  // loop, which may allocate]
  void storePad(std::int32_t index);
  // Loads the loop of pad `index`; an empty pad clears the loop. Needs a bound host.
  // [main-thread, not real-time safe: reading a loop block allocates and reads patterns from the
  // library]
  void recallPad(std::int32_t index, bool notify);

  // The bank record, entries in list order. [main-thread, not real-time safe]
  void save(CUniStream& stream) const;
  // Empties the bank, then reads a bank record, appending each entry. Entry bytes are read in
  // bounded steps, so a hostile length allocates no more than the stream holds. A short record
  // keeps the entries read whole before it; a repeated index keeps its first entry (the one the
  // pads would play) and skips the others. False when the record was short.
  // [main-thread, not real-time safe]
  bool load(CUniStream& stream);

  // Exchanges the entries with `other`; each bank keeps its host. [main-thread]
  void swapEntries(QuickPadBank& other) { entries_.swap(other.entries_); }

  // [main-thread]
  const std::vector<Entry>& entries() const { return entries_; }
  const Entry* find(std::int32_t index) const;

 private:
  Entry* findEntry(std::int32_t index);

  QuickPadHost* host_ = nullptr;
  std::vector<Entry> entries_;
};

}  // namespace velmora
