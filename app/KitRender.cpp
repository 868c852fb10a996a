#include "app/KitRender.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>

#include "io/UniStream.h"
#include "midi/SmfImage.h"
#include "midi/SmfParser.h"
#include "platform/Numeric.h"
#include "platform/SafeSave.h"

#if TAMBORAK_HAVE_LILV
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#endif

namespace velmora::app {

bool midiAtFrames(const std::string& smf, double rate, std::vector<TimedMidi>& events, std::uint64_t& endFrame) {
  CUniMemoryReader reader(smf.data(), static_cast<std::uint32_t>(smf.size()));
  smf::SmfImage image;
  if (smf.size() > UINT32_MAX || smf::readImage(image, reader) != smf::kOk) return false;
  const std::uint32_t division = image.division;
  if (division == 0 || division >= 0x8000) return false;
  // Every track's messages at their ticks; a tempo change carries its microseconds per quarter.
  struct Timed {
    std::uint64_t tick;
    std::uint32_t tempo;  // 0: not a tempo change
    TimedMidi midi;
  };
  std::vector<Timed> timed;
  std::uint64_t endTick = 0;
  for (const smf::SmfChunk* chunk = image.chunks; chunk; chunk = chunk->next) {
    smf::SmfParser track(chunk->data, chunk->length);
    smf::SmfMessage m;
    std::uint64_t tick = 0;
    for (smf::SmfStep step; (step = track.next(m)) != smf::SmfStep::kEnd;) {
      tick += m.delta;
      endTick = std::max(endTick, tick);
      if (step == smf::SmfStep::kEndOfTrack) break;
      if (m.status == 0xFF && m.data1 == smf::kMetaTempo && m.metaLength == 3) {
        const std::uint32_t tempo = std::uint32_t{m.meta[0]} << 16 | std::uint32_t{m.meta[1]} << 8 | m.meta[2];
        timed.push_back({tick, std::max<std::uint32_t>(1, tempo), {}});
      } else if (m.status >= 0x80 && m.status < 0xF0) {
        const int kind = m.status >> 4;
        const unsigned char size = kind == 0xC || kind == 0xD ? 2 : 3;
        timed.push_back({tick, 0, {0, {m.status, m.data1, m.data2}, size}});
      }
    }
  }
  std::stable_sort(timed.begin(), timed.end(), [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
  // Ticks to seconds through the tempo changes, 120 bpm until the first.
  double seconds = 0, secondsPerTick = 0.5 / division;
  std::uint64_t tick = 0;
  const auto frameAt = [&](std::uint64_t t) {
    return static_cast<std::uint64_t>(std::llround((seconds + static_cast<double>(t - tick) * secondsPerTick) * rate));
  };
  events.clear();
  for (const Timed& t : timed) {
    if (t.tempo) {
      seconds += static_cast<double>(t.tick - tick) * secondsPerTick;
      tick = t.tick;
      secondsPerTick = t.tempo / 1e6 / division;
      continue;
    }
    events.push_back(t.midi);
    events.back().frame = frameAt(t.tick);
  }
  endFrame = frameAt(std::max(endTick, tick));
  return true;
}

namespace {

void putLittleEndian(std::string& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

}  // namespace

std::string stereoWavHeader(std::uint64_t frames, std::uint32_t rate) {
  const std::uint64_t data = frames * 4;
  if (data > 0xFFFFFFFFu - 36) return {};
  std::string wav = "RIFF";
  putLittleEndian(wav, static_cast<std::uint32_t>(36 + data), 4);
  wav += "WAVEfmt ";
  putLittleEndian(wav, 16, 4);
  putLittleEndian(wav, 1, 2);  // PCM
  putLittleEndian(wav, 2, 2);
  putLittleEndian(wav, rate, 4);
  putLittleEndian(wav, rate * 4, 4);
  putLittleEndian(wav, 4, 2);
  putLittleEndian(wav, 16, 2);
  wav += "data";
  putLittleEndian(wav, static_cast<std::uint32_t>(data), 4);
  return wav;
}

void appendWavSample(std::string& wav, float sample) {
  const long value = std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f);
  putLittleEndian(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
}

const DrumKit* findDrumKit(const std::vector<DrumKit>& kits, std::string_view name) {
  for (const DrumKit& kit : kits) {
    const std::size_t maker = kit.name.find(' ');
    const auto same = [&](std::string_view text) { return platform::equalsIgnoringCase(text, name); };
    const bool withoutMaker = maker != std::string::npos && same(std::string_view(kit.name).substr(maker + 1));
    if (same(kit.name) || same(kit.uri) || withoutMaker)
      return &kit;
  }
  return nullptr;
}

#if !TAMBORAK_HAVE_LILV

std::vector<DrumKit> installedDrumKits() { return {}; }

bool renderKitWav(const std::string&, const DrumKit&, const std::string& path, std::string& error) {
  error = path + ": not written: this program was built without lilv";
  return false;
}

#else

namespace {

// The drum samplers we know how to name: plug-ins under a URI prefix, shown with their maker's
// short name and without the word the plug-in names end in.
struct Sampler {
  const char* uriPrefix;
  const char* maker;
  const char* dropSuffix;
};
constexpr Sampler kSamplers[] = {{"http://gareus.org/oss/lv2/avldrums#", "AVL", " Drumkit"}};

constexpr double kRate = 48000;
constexpr std::uint32_t kBlock = 256;
constexpr std::uint64_t kRingFrames = 2 * 48000;  // after the last note
constexpr auto kLoadTimeout = std::chrono::seconds(60);

struct World {
  LilvWorld* world = lilv_world_new();
  World() { lilv_world_load_all(world); }
  ~World() { lilv_world_free(world); }
};

std::string kitName(const Sampler& sampler, const LilvPlugin* plugin) {
  LilvNode* node = lilv_plugin_get_name(plugin);
  std::string name = node ? lilv_node_as_string(node) : "";
  lilv_node_free(node);
  const std::string suffix = sampler.dropSuffix;
  const std::size_t at = name.find(suffix);
  if (at != std::string::npos) name.erase(at, suffix.size());
  return std::string(sampler.maker) + " " + name;
}

// URIDs for the plug-in, which may map from its worker too.
class UridMap {
 public:
  LV2_URID map(const char* uri) {
    std::lock_guard lock(mutex_);
    return uris_.emplace(uri, static_cast<LV2_URID>(uris_.size() + 1)).first->second;
  }
  LV2_URID_Map feature{this, [](LV2_URID_Map_Handle self, const char* uri) {
                         return static_cast<UridMap*>(self)->map(uri);
                       }};

 private:
  std::mutex mutex_;
  std::map<std::string, LV2_URID> uris_;
};

// The plug-in's worker on a thread of its own: requests queued by run(), their answers handed
// back after it. idle() waits, at most until `deadline`, until no request is left; after a
// timeout the thread is still inside the plug-in, and neither may be destroyed.
class Worker {
 public:
  ~Worker() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  void start(const LV2_Worker_Interface* iface, LV2_Handle handle) {
    iface_ = iface;
    handle_ = handle;
    thread_ = std::thread([this] { loop(); });
  }
  LV2_Worker_Schedule feature{this, [](LV2_Worker_Schedule_Handle self, uint32_t size, const void* data) {
                                return static_cast<Worker*>(self)->schedule(size, data);
                              }};
  std::size_t scheduled() const { return scheduled_; }

  bool idle(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return wake_.wait_until(lock, deadline, [&] { return requests_.empty() && !busy_; });
  }
  // Hands the answers to the plug-in, as a host does between blocks.
  void deliver() {
    std::deque<std::string> answers;
    {
      std::lock_guard lock(mutex_);
      answers.swap(answers_);
    }
    for (const std::string& a : answers)
      if (iface_ && iface_->work_response) iface_->work_response(handle_, static_cast<uint32_t>(a.size()), a.data());
    if (iface_ && iface_->end_run) iface_->end_run(handle_);
  }

 private:
  LV2_Worker_Status schedule(uint32_t size, const void* data) {
    if (!iface_) return LV2_WORKER_ERR_UNKNOWN;
    {
      std::lock_guard lock(mutex_);
      requests_.emplace_back(static_cast<const char*>(data), size);
      ++scheduled_;
    }
    wake_.notify_all();
    return LV2_WORKER_SUCCESS;
  }
  void loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return quit_ || !requests_.empty(); });
      if (quit_) return;
      const std::string request = std::move(requests_.front());
      requests_.pop_front();
      busy_ = true;
      lock.unlock();
      const auto respond = [](LV2_Worker_Respond_Handle self, uint32_t size, const void* data) {
        Worker& w = *static_cast<Worker*>(self);
        std::lock_guard answerLock(w.mutex_);
        w.answers_.emplace_back(static_cast<const char*>(data), size);
        return LV2_WORKER_SUCCESS;
      };
      iface_->work(handle_, respond, this, static_cast<uint32_t>(request.size()), request.data());
      lock.lock();
      busy_ = false;
      wake_.notify_all();
    }
  }

  const LV2_Worker_Interface* iface_ = nullptr;
  LV2_Handle handle_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> requests_, answers_;
  std::size_t scheduled_ = 0;
  bool busy_ = false, quit_ = false;
};

}  // namespace

std::vector<DrumKit> installedDrumKits() {
  World w;
  std::vector<DrumKit> kits;
  const LilvPlugins* plugins = lilv_world_get_all_plugins(w.world);
  LILV_FOREACH(plugins, i, plugins) {
    const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
    const std::string uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
    for (const Sampler& sampler : kSamplers)
      if (uri.rfind(sampler.uriPrefix, 0) == 0) kits.push_back({kitName(sampler, plugin), uri});
  }
  std::sort(kits.begin(), kits.end(), [](const DrumKit& a, const DrumKit& b) { return a.name < b.name; });
  return kits;
}

bool renderKitWav(const std::string& smf, const DrumKit& kit, const std::string& path, std::string& error) {
  error.clear();
  const std::string failed = path + ": not written: " + kit.name + ": ";
  std::vector<TimedMidi> events;
  std::uint64_t endFrame = 0;
  if (!midiAtFrames(smf, kRate, events, endFrame)) {
    error = failed + "the MIDI is no Standard MIDI File";
    return false;
  }
  for (const TimedMidi& e : events)
    if ((e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] > 0) endFrame = std::max(endFrame, e.frame + kRingFrames);
  const std::string header = stereoWavHeader(endFrame, static_cast<std::uint32_t>(kRate));
  if (header.empty()) {
    error = failed + "the song is too long for a WAV file";
    return false;
  }

  World w;
  LilvNode* uri = lilv_new_uri(w.world, kit.uri.c_str());
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(w.world), uri);
  lilv_node_free(uri);
  if (!plugin) {
    error = failed + "the plug-in " + kit.uri + " is not installed";
    return false;
  }
  // Its ports: one MIDI input, audio outputs mixed to stereo by their names' side.
  LilvNode* audioClass = lilv_new_uri(w.world, LV2_CORE__AudioPort);
  LilvNode* atomClass = lilv_new_uri(w.world, LV2_ATOM__AtomPort);
  LilvNode* inputClass = lilv_new_uri(w.world, LV2_CORE__InputPort);
  LilvNode* optionalClass = lilv_new_uri(w.world, LV2_CORE__connectionOptional);
  struct Output {
    std::uint32_t index;
    float left, right;
  };
  std::vector<Output> outputs;
  long midiPort = -1;
  std::vector<long> atomOutputs, unconnectable;
  const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
  for (std::uint32_t p = 0; p < ports; ++p) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
    if (lilv_port_is_a(plugin, port, audioClass) && !lilv_port_is_a(plugin, port, inputClass)) {
      LilvNode* name = lilv_port_get_name(plugin, port);
      std::string n = name ? lilv_node_as_string(name) : "";
      lilv_node_free(name);
      std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      const bool left = n.ends_with(" l") || n.ends_with("left"), right = n.ends_with(" r") || n.ends_with("right");
      outputs.push_back({p, left ? 1.0f : right ? 0.0f : 0.7071f, right ? 1.0f : left ? 0.0f : 0.7071f});
    } else if (lilv_port_is_a(plugin, port, atomClass)) {
      if (!lilv_port_is_a(plugin, port, inputClass))
        atomOutputs.push_back(p);
      else if (midiPort < 0)
        midiPort = p;
      else
        unconnectable.push_back(p);
    } else if (!lilv_port_has_property(plugin, port, optionalClass)) {
      unconnectable.push_back(p);
    }
  }
  for (LilvNode* node : {audioClass, atomClass, inputClass, optionalClass}) lilv_node_free(node);
  if (midiPort < 0 || outputs.empty() || !unconnectable.empty()) {
    error = failed + "the plug-in has no MIDI input, no audio output or ports this host cannot feed";
    return false;
  }

  UridMap urids;
  auto worker = std::make_unique<Worker>();
  const LV2_Feature mapFeature{LV2_URID__map, &urids.feature};
  const LV2_Feature scheduleFeature{LV2_WORKER__schedule, &worker->feature};
  const LV2_Feature* features[] = {&mapFeature, &scheduleFeature, nullptr};
  LilvInstance* instance = lilv_plugin_instantiate(plugin, kRate, features);
  if (!instance) {
    error = failed + "the plug-in could not be started";
    return false;
  }
  const auto* workInterface =
      static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance, LV2_WORKER__interface));
  if (workInterface && workInterface->work) worker->start(workInterface, lilv_instance_get_handle(instance));

  std::vector<std::vector<float>> audio(outputs.size(), std::vector<float>(kBlock));
  for (std::size_t o = 0; o < outputs.size(); ++o)
    lilv_instance_connect_port(instance, outputs[o].index, audio[o].data());
  constexpr std::uint32_t kAtomBytes = 65536;
  std::vector<std::uint64_t> midiIn(kAtomBytes / 8);
  std::vector<std::vector<std::uint64_t>> atomsOut(atomOutputs.size(), std::vector<std::uint64_t>(kAtomBytes / 8));
  lilv_instance_connect_port(instance, static_cast<std::uint32_t>(midiPort), midiIn.data());
  for (std::size_t a = 0; a < atomOutputs.size(); ++a)
    lilv_instance_connect_port(instance, static_cast<std::uint32_t>(atomOutputs[a]), atomsOut[a].data());
  lilv_instance_activate(instance);

  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &urids.feature);
  const LV2_URID midiEvent = urids.map(LV2_MIDI__MidiEvent);
  std::size_t next = 0;
  // One block: the events that fall in it on the input, empty output sequences to fill.
  const auto runBlock = [&](std::uint64_t start, bool withEvents) {
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(midiIn.data()), kAtomBytes);
    lv2_atom_forge_sequence_head(&forge, &frame, 0);
    for (; withEvents && next < events.size() && events[next].frame < start + kBlock; ++next) {
      lv2_atom_forge_frame_time(&forge, static_cast<std::int64_t>(events[next].frame - start));
      lv2_atom_forge_atom(&forge, events[next].size, midiEvent);
      lv2_atom_forge_write(&forge, events[next].bytes, events[next].size);
    }
    lv2_atom_forge_pop(&forge, &frame);
    for (auto& out : atomsOut) {
      auto* sequence = reinterpret_cast<LV2_Atom*>(out.data());
      sequence->size = kAtomBytes - sizeof(LV2_Atom);
      sequence->type = 0;
    }
    lilv_instance_run(instance, kBlock);
  };

  // Waits for the work a block asked for and hands its answers back; after a timeout the
  // plug-in's worker is still inside it, so neither is freed (the process ends soon after).
  const auto settle = [&] {
    if (worker->idle(std::chrono::steady_clock::now() + kLoadTimeout)) {
      worker->deliver();
      return true;
    }
    (void)worker.release();
    error = failed + "the plug-in's work did not end within " + std::to_string(kLoadTimeout.count()) + " seconds";
    return false;
  };
  // Ends the plug-in once its worker is idle: the worker thread first, then the instance.
  const auto stop = [&] {
    lilv_instance_deactivate(instance);
    worker.reset();
    lilv_instance_free(instance);
  };
  // The kit loads its samples through the worker: silent blocks until one asks for no more work.
  const auto deadline = std::chrono::steady_clock::now() + kLoadTimeout;
  for (std::size_t before = worker->scheduled();; before = worker->scheduled()) {
    runBlock(0, false);
    if (!settle()) return false;
    if (worker->scheduled() == before) break;
    if (std::chrono::steady_clock::now() > deadline) {
      error = failed + "the kit did not load within " + std::to_string(kLoadTimeout.count()) + " seconds";
      stop();
      return false;
    }
  }

  // The audio goes block by block into a temporary file beside the target, renamed when whole.
  platform::TemporaryFile file;
  std::string why;
  if (!file.create(path, header, why)) error = path + ": not written: " + why;
  std::ofstream out;
  if (error.empty()) out.open(file.path(), std::ios::binary | std::ios::app);
  std::string samples;
  for (std::uint64_t start = 0; error.empty() && out && start < endFrame; start += kBlock) {
    runBlock(start, true);
    if (!settle()) return false;
    const std::size_t frames = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, endFrame - start));
    samples.clear();
    for (std::size_t f = 0; f < frames; ++f) {
      float left = 0, right = 0;
      for (std::size_t o = 0; o < outputs.size(); ++o) {
        left += audio[o][f] * outputs[o].left;
        right += audio[o][f] * outputs[o].right;
      }
      appendWavSample(samples, left);
      appendWavSample(samples, right);
    }
    out.write(samples.data(), static_cast<std::streamsize>(samples.size()));
  }
  stop();
  if (!error.empty()) return false;
  out.close();
  if (!out) {
    error = path + ": not written: the temporary file could not be written";
    return false;
  }
  if (!file.commit(why)) {
    error = path + ": not written: " + why;
    return false;
  }
  return true;
}

#endif

}  // namespace velmora::app
