#include "frame/NoteNameAdapters.h"

#include <algorithm>
#include <cstring>

#include "hostapi/ComRef.h"

namespace velmora {

static_assert(kPadNameCount == kDrPadCount);

namespace {

constexpr std::int32_t kHostTextSize = 256;

// The text in a buffer of `size` bytes, to its NUL or the buffer's end.
std::string boundedText(const char* buffer, std::size_t size) {
  const void* nul = std::memchr(buffer, '\0', size);
  return std::string(buffer, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size);
}

// The item `index` of the host's lists, or null.
ComRef<IMfxNoteNameList> item(IMfxNoteNameLists& lists, int index) {
  ComRef<IMfxNoteNameList> list;
  if (FAILED(lists.getItem(index, list.put()))) list.reset();
  return list;
}

class MfxNoteNameLists final : public HostNoteNameLists {
 public:
  explicit MfxNoteNameLists(IMfxNoteNameLists* lists) : lists_(lists) {}
  bool count(int& sets) const override;
  bool title(int index, std::string& title) const override;
  bool names(int index, int keys, std::vector<std::optional<std::string>>& names) const override;

 private:
  ComRef<IMfxNoteNameLists> lists_;
};

class DrPadNameSource final : public PadNameSource {
 public:
  explicit DrPadNameSource(IDrPadNames* pads) : pads_(pads) {}
  bool labels(std::array<std::string, kPadNameCount>& labels) const override;
  bool sample(int pad, std::string& sample) const override;

 private:
  ComRef<IDrPadNames> pads_;
};

bool MfxNoteNameLists::count(int& sets) const {
  std::int32_t count = 0;
  if (FAILED(lists_->getCount(&count))) return false;
  sets = count;
  return true;
}

bool MfxNoteNameLists::title(int index, std::string& title) const {
  ComRef<IMfxNoteNameList> list = item(*lists_, index);
  char buffer[kHostTextSize] = {};
  if (!list || FAILED(list->getName(buffer, kHostTextSize))) return false;
  title = boundedText(buffer, kHostTextSize);
  return true;
}

bool MfxNoteNameLists::names(int index, int keys, std::vector<std::optional<std::string>>& names) const {
  ComRef<IMfxNoteNameList> list = item(*lists_, index);
  std::int32_t count = 0;
  if (!list || FAILED(list->getNoteCount(&count))) return false;
  names.assign(static_cast<std::size_t>(std::clamp(count, 0, keys)), std::nullopt);
  for (std::size_t key = 0; key < names.size(); ++key) {
    char buffer[kHostTextSize] = {};
    if (SUCCEEDED(list->getNoteName(static_cast<std::int32_t>(key), buffer, kHostTextSize)))
      names[key] = boundedText(buffer, kHostTextSize);
  }
  return true;
}

bool DrPadNameSource::labels(std::array<std::string, kPadNameCount>& labels) const {
  const char* table = nullptr;
  if (FAILED(pads_->getPadLabels(&table)) || !table) return false;
  for (int pad = 0; pad < kDrPadCount; ++pad)
    labels[static_cast<std::size_t>(pad)] = boundedText(table + pad * kDrPadLabelSize, kDrPadLabelSize);
  return true;
}

bool DrPadNameSource::sample(int pad, std::string& sample) const {
  DrPadInfo info = {};
  if (FAILED(pads_->getPadInfo(pad, &info))) return false;
  sample = boundedText(info.sample, sizeof info.sample);
  return true;
}

}  // namespace

std::shared_ptr<const HostNoteNameLists> hostNoteNameLists(IMfxNoteNameLists* lists) {
  if (!lists) return nullptr;
  return std::make_shared<MfxNoteNameLists>(lists);
}

std::shared_ptr<const PadNameSource> padNameSource(IDrPadNames* pads) {
  if (!pads) return nullptr;
  return std::make_shared<DrPadNameSource>(pads);
}

}  // namespace velmora
