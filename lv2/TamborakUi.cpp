#include "lv2/TamborakUi.h"

#include <lv2/atom/util.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/Tamborak.h"
#include <new>
#include "lv2/PanelLink.h"
#include "lv2/SongTime.h"
#include "lv2/TamborakLv2.h"
#include "platform/UiQueue.h"
#include "ui/LoopBrowserStrip.h"
#include "ui/LoopEditing.h"
#include "ui/TamborakPanel.h"
#include "ui/x11/PanelWindow.h"

namespace velmora::lv2 {

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) {
  for (; features && *features; ++features)
    if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
  return nullptr;
}

// An Int (or, for the tick, a Long) property of the plug-in's position message.
bool intValue(const LV2_Atom* atom, LV2_URID type, std::int64_t& value) {
  if (!atom || atom->type != type) return false;
  if (atom->size == sizeof(std::int64_t)) value = reinterpret_cast<const LV2_Atom_Long*>(atom)->body;
  else if (atom->size == sizeof(std::int32_t)) value = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  else return false;
  return true;
}

std::string stateOf(Tamborak& engine) { return engine.stateBlock(); }

}  // namespace

// The plug-in's song as its last position message told it: the tick and the meter the slices'
// cycles are counted in, as the plug-in's engine counts them.
class SongClock final {
 public:
  SongTime song;
  std::int32_t now = -1;  // none yet
};

PanelUi* PanelUi::create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
  const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
  if (!map || !write) {
    std::fprintf(stderr, "tamborak: the host offers the panel no %s\n", map ? "write function" : "urid:map");
    return nullptr;
  }
  std::string error;
  auto window = ui::PanelWindow::open(reinterpret_cast<unsigned long>(feature(features, LV2_UI__parent)), error);
  if (!window) {
    std::fprintf(stderr, "tamborak: no panel: %s\n", error.c_str());
    return nullptr;
  }
  auto* self = new PanelUi(write, controller, *map);
  if (!self->engine_) {
    std::fprintf(stderr, "tamborak: the panel's engine could not start\n");
    delete self;
    return nullptr;
  }
  self->window_ = std::move(window);
  self->engine().setFileDrag(self->window_.get());
  self->editing_ = std::make_unique<ui::TamborakEditing>(self->engine());
  self->panel_ = std::make_unique<ui::TamborakPanel>(self->engine(), *self->editing_, *self->window_);
  self->browser_ = std::make_unique<ui::PanelLoopBrowser>(*self->panel_, self->engine(), *self->window_);
  self->window_->setPanel(self->panel_.get());
  self->panel_->setPlayClock([self] { self->showPositions(); });
  self->panel_->activate();
  if (const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize)))
    resize->ui_resize(resize->handle, ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight);
  *widget = reinterpret_cast<LV2UI_Widget>(self->window_->window());
  self->agree();
  // Until the plug-in answers, the panel shows what this engine started with.
  self->sendObject(self->panelHello_, nullptr);
  return self;
}

PanelUi::PanelUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_URID_Map& map)
    : write_(write), controller_(controller), clock_(std::make_unique<SongClock>()) {
  const auto id = [&](const char* uri) { return map.map(map.handle, uri); };
  atomChunk_ = id(LV2_ATOM__Chunk);
  atomInt_ = id(LV2_ATOM__Int);
  atomLong_ = id(LV2_ATOM__Long);
  eventTransfer_ = id(LV2_ATOM__eventTransfer);
  stateKey_ = id(kStateUri);
  panelState_ = id(kPanelStateUri);
  panelHello_ = id(kPanelHelloUri);
  panelPosition_ = id(kPanelPositionUri);
  panelTick_ = id(kPanelTickUri);
  beatsPerBar_ = id(LV2_TIME__beatsPerBar);
  beatUnit_ = id(LV2_TIME__beatUnit);
  lv2_atom_forge_init(&forge_, const_cast<LV2_URID_Map*>(&map));
  try {
    engine_ = std::make_unique<Tamborak>(true);
  } catch (const std::bad_alloc&) {
    engine_.reset();
    return;
  }
  // The panel offers the note-name sets of the folder, and mirrors a title the plug-in keeps
  // without its set, as the plug-in does.
  engine_->keepMissingNoteNames(true);
  engine_->useNoteNamesOf(nullptr);
}

PanelUi::~PanelUi() {
  if (engine_) engine().setFileDrag(nullptr);
  if (window_) window_->setPanel(nullptr);
  if (panel_) panel_->deactivate();
  browser_.reset();
  panel_.reset();
  editing_.reset();
  window_.reset();
  engine_.reset();
  platform::UiQueue::main().pump();
}

Tamborak& PanelUi::engine() { return *engine_; }

void PanelUi::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
  if (!buffer) return;
  if (format == 0 && size == sizeof(float) && port >= kPortFirstControl && port < kPortNotify) {
    const std::size_t control = port - kPortFirstControl;
    float raw;
    std::memcpy(&raw, buffer, sizeof raw);
    const std::int32_t value = controlValue(control, raw, controls_[control]);
    if (value == controls_[control]) return;
    kGlobalControls[control].set(engine(), value);
    panel_->activate();
    agree();
    return;
  }
  if (port != kPortNotify || format != eventTransfer_ || size < sizeof(LV2_Atom_Object)) return;
  const auto* object = static_cast<const LV2_Atom_Object*>(buffer);
  if (object->atom.size + sizeof(LV2_Atom) > size) return;
  if (object->body.otype == panelPosition_) takePosition(*object);
  if (object->body.otype != panelState_) return;
  const LV2_Atom* chunk = nullptr;
  lv2_atom_object_get(object, stateKey_, &chunk, 0);
  if (!chunk || chunk->type != atomChunk_ || chunk->size == 0) return;
  if (!engine().readStateBlock(LV2_ATOM_BODY_CONST(chunk), chunk->size)) return;
  panel_->activate();
  agree();
}

void PanelUi::takePosition(const LV2_Atom_Object& object) {
  const LV2_Atom *tick = nullptr, *perBar = nullptr, *unit = nullptr;
  lv2_atom_object_get(&object, panelTick_, &tick, beatsPerBar_, &perBar, beatUnit_, &unit, 0);
  std::int64_t now = 0, beats = 0, beatUnit = 0;
  if (!intValue(tick, atomLong_, now) || !intValue(perBar, atomInt_, beats) || !intValue(unit, atomInt_, beatUnit))
    return;
  clock_->song.setMeter(static_cast<std::int32_t>(std::clamp<std::int64_t>(beats, 1, 255)),
                        static_cast<std::int32_t>(std::clamp<std::int64_t>(beatUnit, 1, 64)));
  clock_->now = static_cast<std::int32_t>(std::clamp<std::int64_t>(now, 0, std::numeric_limits<std::int32_t>::max()));
  showPositions();
}

// As the panel's timer does with a playing engine: each slice maps the song position into its
// cycle. Called again by the timer between messages, so that a cursor behind catches up.
void PanelUi::showPositions() {
  if (clock_->now >= 0) engine().showPlayPositions(clock_->now, clock_->song);
}

int PanelUi::idle() {
  platform::UiQueue::main().pump();
  platform::UiQueue::main().fireDueTimers();
  window_->idle();
  // Besides clicks and keys, the panel's timers and the engine's deferred work change things.
  sendChanges();
  return 0;
}

void PanelUi::agree() {
  agreed_ = stateOf(engine());
  for (std::size_t i = 0; i < kControlCount; ++i) controls_[i] = kGlobalControls[i].get(engine());
}

void PanelUi::sendChanges() {
  // The global controls go through their ports, so that the host shows and records them.
  for (std::size_t i = 0; i < kControlCount; ++i) {
    const std::int32_t value = kGlobalControls[i].get(engine());
    if (value == controls_[i]) continue;
    controls_[i] = value;
    const float port = static_cast<float>(value);
    write_(controller_, static_cast<std::uint32_t>(kGlobalControls[i].port), sizeof port, 0, &port);
  }
  std::string state = stateOf(engine());
  if (state.empty() || state == agreed_) return;
  if (state.size() > kMaxPanelState) {
    std::fprintf(stderr, "tamborak: the loop's state is too large to reach the plug-in (%zu bytes)\n", state.size());
    return;
  }
  sendObject(panelState_, &state);
  agreed_ = std::move(state);
}

void PanelUi::sendObject(LV2_URID type, const std::string* state) {
  std::vector<std::uint8_t> buffer((state ? state->size() : 0) + 256);
  lv2_atom_forge_set_buffer(&forge_, buffer.data(), buffer.size());
  LV2_Atom_Forge_Frame frame;
  auto* object = reinterpret_cast<LV2_Atom*>(lv2_atom_forge_object(&forge_, &frame, 0, type));
  if (!object) return;
  if (state) {
    lv2_atom_forge_key(&forge_, stateKey_);
    lv2_atom_forge_atom(&forge_, static_cast<std::uint32_t>(state->size()), atomChunk_);
    lv2_atom_forge_write(&forge_, state->data(), static_cast<std::uint32_t>(state->size()));
  }
  lv2_atom_forge_pop(&forge_, &frame);
  write_(controller_, kPortIn, lv2_atom_total_size(object), eventTransfer_, object);
}

}  // namespace velmora::lv2
