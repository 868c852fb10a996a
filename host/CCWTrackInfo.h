// What the host knows about the track a plug-in sits on, read from the host itself while the host
// integration is on: the track's output port, bank, volume, pan, mute and solo, further values,
// and the project's now time. Attaching finds the track whose effect list holds the plug-in;
// the getters read the track live while the host's project state may be read and give the values
// cached at the last refresh otherwise. While the integration is off nothing of the host is read
// and every getter gives its cached (default) value.
//
// Host structures, as the build table's offsets locate them: a host pointer is a 32-bit word; a
// list is the address of its elements followed by their count (32-bit); the document's track
// pairs and its key-to-track map are lists of (32-bit key, track pointer); a track's effect list
// holds one pointer per effect plug-in.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/HostImage.h"

namespace velmora::host {

class CCWTrackInfo {
 public:
  using Address = platform::HostAddress;

  CCWTrackInfo() = default;
  CCWTrackInfo(const CCWTrackInfo&) = delete;
  CCWTrackInfo& operator=(const CCWTrackInfo&) = delete;
  virtual ~CCWTrackInfo() = default;

  // Re-reads every cached value from the attached track; detached, with `clearWhenDetached`,
  // resets the cache to "no track". [main-thread, not real-time safe]
  virtual void refresh(bool clearWhenDetached);
  // Whether the attached project is the host's active one. [main-thread]
  virtual bool isActiveView();
  // The song position in ticks: the transport's while the attached project is active, else the
  // project's own; -1 without a project or when it cannot be read. [any-thread]
  virtual std::int32_t nowTime();
  // Moves the attached project's now time through the host; false when it cannot. [main-thread]
  virtual bool setNowTime(std::int32_t ticks);
  // Searches the host's projects for the track whose effects hold `plugin`; true when found, the
  // cache then filled. Only while the integration is on. [main-thread, not real-time safe]
  virtual bool attach(Address plugin);
  // attach unless already attached. [main-thread, not real-time safe]
  virtual bool attachIfNeeded(Address plugin);
  // Whether the host integration is on. [any-thread]
  virtual bool available();
  // Sending to the track's output needs host entry points the plug-in does not have: nothing is
  // sent, false. [any-thread]
  virtual bool send(std::uint32_t message);

  // The track's values. [any-thread, not real-time safe: may read host memory]
  virtual std::int32_t trackValueA();
  virtual std::int32_t trackValueALive();
  virtual std::int32_t trackValueB();
  virtual std::int32_t trackNumber();
  virtual std::int32_t trackValueC();
  // The track's bank; `defaultBank` when the host holds none (negative).
  virtual std::int32_t bank(std::int32_t defaultBank);
  virtual std::int32_t portIndex();
  virtual std::int32_t trackValueD();
  virtual std::int32_t trackValueE();
  virtual std::int32_t trackValueF();
  virtual std::int32_t volume();
  virtual std::int32_t pan();
  // Muted, or silenced by another track's solo.
  virtual bool muted();
  // As muted, but false whenever the project cannot be read now.
  virtual bool mutedLive();

  bool attached() const { return attached_; }
  Address document() const { return document_; }
  Address track() const { return track_; }
  std::int32_t trackKey() const { return key_; }
  std::int32_t effectIndex() const { return effectIndex_; }
  // The output-port handle of the track's port (0: unknown). [any-thread]
  std::uint32_t portHandle() const { return portHandle_; }

 private:
  // Whether the host's project state may be read now. [any-thread]
  bool readable() const;
  // The 32-bit value at track field `field`; false when detached, the field unknown or unreadable.
  bool trackField(std::size_t field, std::int32_t& value) const;
  // The live value while readable, else `cached`.
  std::int32_t liveOr(std::size_t field, const std::atomic<std::int32_t>& cached) const;
  bool computeMuted(bool& muted) const;
  // The handle of port `index`, growing the port table to reach it. [lock_ held]
  std::uint32_t portHandleOf(std::int32_t index);
  std::uint32_t askPortHandle(std::int32_t index);
  void clearCache();

  std::atomic<Address> document_{0};
  std::atomic<Address> track_{0};
  std::atomic<std::int32_t> key_{-1};
  std::atomic<std::int32_t> effectIndex_{-1};
  std::atomic<bool> attached_{false};
  std::vector<std::uint32_t> portTable_;

  std::atomic<std::int32_t> number_{0}, valueA_{0}, valueB_{0}, valueC_{0}, bank_{0}, port_{0};
  std::atomic<std::int32_t> valueD_{-1}, valueE_{0}, valueF_{-1}, volume_{127}, pan_{64};
  std::atomic<bool> muted_{false};
  std::atomic<std::uint32_t> portHandle_{0};
  std::recursive_mutex lock_;
};

}  // namespace velmora::host
