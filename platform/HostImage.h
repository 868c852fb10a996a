// The running program as the host integration reads it: bytes of the process's memory, the
// modules loaded in it with their version resources, the host's project documents and its
// routines. On Windows this is the process itself; elsewhere no host module is ever loaded, so the
// integration stays off. Tests lay out a host's structures in a fake image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

// An address in the host's process.
using HostAddress = std::uint64_t;

class HostImage {
 public:
  virtual ~HostImage() = default;

  // Copies `size` bytes at `address` into `out`; false (out unspecified) when any of them cannot
  // be read. [any-thread]
  virtual bool read(HostAddress address, void* out, std::size_t size) const = 0;
  // The load address of the loaded module whose file is named `fileName` (no folder, any case);
  // 0 when none is loaded. [any-thread, not real-time safe]
  virtual HostAddress moduleAt(const std::string& fileName) const = 0;
  // The "FileVersion" text of the module's version resource, in its first translation; false when
  // it has none. [any-thread, not real-time safe]
  virtual bool fileVersion(HostAddress module, std::string& version) const = 0;
  // Whether the module holds a version resource in language `language`. [any-thread]
  virtual bool hasVersionLanguage(HostAddress module, std::uint16_t language) const = 0;
  // Whether this image reaches the host application's own objects (its document templates,
  // documents and routines). False where that link is not built, as in the process itself: the
  // three operations below then never find anything. [any-thread]
  virtual bool linksHostInternals() const { return false; }
  // The host's document template whose document type name is `typeName`; 0 when the host
  // application has none or cannot be reached. [main-thread, not real-time safe]
  virtual HostAddress documentTemplate(const std::string& typeName) const = 0;
  // The open documents of a template, in the host's order. [main-thread, not real-time safe]
  virtual std::vector<HostAddress> documents(HostAddress documentTemplate) const = 0;
  // Calls the host routine at `routine` on object `self` with one argument; false when the
  // routine cannot be called (then `result` is unchanged). [main-thread, not real-time safe]
  virtual bool call(HostAddress routine, HostAddress self, HostAddress argument, std::uint32_t& result) = 0;

  // The process itself. [any-thread]
  static HostImage& running();
};

}  // namespace velmora::platform
