#include "platform/Clipboard.h"

#include <cstdint>

namespace velmora::platform {

bool MemoryClipboard::put(const std::vector<ClipItem>& items) {
  std::map<std::string, std::string> formats;
  for (const ClipItem& item : items) formats[item.format] = item.bytes;
  formats_ = std::move(formats);
  return true;
}

bool MemoryClipboard::get(const std::string& format, std::string& bytes) {
  const auto found = formats_.find(format);
  if (found == formats_.end()) return false;
  bytes = found->second;
  return true;
}

std::string dropFilesBlock(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  constexpr std::uint32_t kHeaderSize = 20;
  std::string block(kHeaderSize, '\0');
  block[0] = static_cast<char>(kHeaderSize);  // offset of the list, little-endian; the rest is 0
  block += path;
  block.append(2, '\0');
  return block;
}

}  // namespace velmora::platform
