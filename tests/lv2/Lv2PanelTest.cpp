// The plug-in's panel inside a host window under X: our lilv host opens the bundle's X11 UI in a
// window of its own while the plug-in plays, saves a screenshot, sees the play cursors move, clicks
// "Compose Loop" with a real X event and checks that the plug-in then plays another loop, and that
// a change of the plug-in's own (the host automating swing) reaches the panel without coming back;
// last, the loop is dragged out onto another program's window. Ends with "N passed, N failed".
#include <cairo.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include <unistd.h>

#include "engine/EngineProcess.h"
#include "lv2/ControlPorts.h"
#include "lv2/PanelLink.h"
#include "tests/TempFolder.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/ui/PanelMouse.h"
#include "ui/TamborakPanel.h"
#include "ui/cairo/CairoCanvas.h"

// Xlib last: its macros (Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

using namespace velmora;
using namespace velmora::lv2test;

constexpr int kHostWidth = 600, kHostHeight = 460;

// What the panel writes reaches the plug-in's ports.
struct Link {
  Instance* instance;
  int statesSent = 0;
};

void writePort(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  Link& link = *static_cast<Link*>(controller);
  if (port == 0 && format == id(LV2_ATOM__eventTransfer)) {
    link.instance->toPlugin.emplace_back(static_cast<const char*>(buffer), size);
    const auto* object = static_cast<const LV2_Atom_Object*>(buffer);
    if (object->body.otype == id(lv2::kPanelStateUri)) ++link.statesSent;
  } else if (format == 0 && size == sizeof(float) && port >= lv2::kPortFirstControl && port < lv2::kPortNotify) {
    link.instance->controls_[port - lv2::kPortFirstControl] = *static_cast<const float*>(buffer);
  }
}

// The host window's pixels as an image (caller destroys it), or nullptr.
cairo_surface_t* screenshot(Display* display, Window window) {
  XImage* image = XGetImage(display, window, 0, 0, kHostWidth, kHostHeight, AllPlanes, ZPixmap);
  if (!image) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kHostWidth, kHostHeight);
  auto* pixels = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < kHostHeight; ++y)
    for (int x = 0; x < kHostWidth; ++x)
      *reinterpret_cast<std::uint32_t*>(pixels + y * stride + x * 4) =
          static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
  cairo_surface_mark_dirty(surface);
  XDestroyImage(image);
  return surface;
}

std::uint32_t pixel(cairo_surface_t* s, int x, int y) {
  const auto* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
  return *reinterpret_cast<const std::uint32_t*>(row + x * 4) & 0xFFFFFF;
}

std::set<std::uint32_t> colours(cairo_surface_t* surface) {
  std::set<std::uint32_t> seen;
  for (int y = 0; y < ui::TamborakPanel::kHeight; ++y)
    for (int x = 0; x < ui::TamborakPanel::kWidth; ++x) seen.insert(pixel(surface, x, y));
  return seen;
}

// How far the play cursors (white lines) moved between two screenshots: -1 when more than cursors
// differ, else the farthest a cursor pixel of one lies from one of the other in its row (0: the
// same pixels).
int cursorShift(cairo_surface_t* a, cairo_surface_t* b) {
  const auto white = [&](cairo_surface_t* s, int x, int y) { return x >= 0 && x < kHostWidth && pixel(s, x, y) == 0xFFFFFF; };
  int farthest = 0;
  for (int y = 0; y < kHostHeight; ++y)
    for (int x = 0; x < kHostWidth; ++x) {
      if (pixel(a, x, y) == pixel(b, x, y)) continue;
      if (white(a, x, y) == white(b, x, y)) return -1;
      cairo_surface_t* other = white(a, x, y) ? b : a;
      int d = 1;
      while (d < kHostWidth && !white(other, x - d, y) && !white(other, x + d, y)) ++d;
      farthest = std::max(farthest, d);
    }
  return farthest;
}

// Another program's drop-aware window on a display connection of its own, in a thread of its own:
// once the panel owns the drag selection it moves the pointer (sent events) over itself, accepts,
// lets the button go, reads the dropped URI list and finishes.
struct DropTarget {
  explicit DropTarget(Window from) : source(from), thread([this] { run(); }) {}
  ~DropTarget() { finish(); }
  void finish() {
    if (thread.joinable()) thread.join();
  }
  Window source;
  std::atomic<bool> entered{false};
  std::string uriList;
  std::thread thread;

  void run() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    const auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
    const Window self = XCreateSimpleWindow(d, DefaultRootWindow(d), 700, 500, 200, 150, 0, 0, 0xFFFFFF);
    const long version = 5;
    XChangeProperty(d, self, atom("XdndAware"), XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&version), 1);
    XSelectInput(d, self, PropertyChangeMask);
    XMapWindow(d, self);
    XSync(d, False);
    for (int i = 0; i < 500 && XGetSelectionOwner(d, atom("XdndSelection")) != source; ++i) usleep(10000);
    const auto pointer = [&](int type, int x) {
      XEvent e{};
      e.type = type;
      e.xbutton.display = d;
      e.xbutton.window = source;
      e.xbutton.root = DefaultRootWindow(d);
      e.xbutton.x_root = x, e.xbutton.y_root = 560;
      e.xbutton.button = Button1;
      e.xbutton.same_screen = True;
      XSendEvent(d, source, False, type == MotionNotify ? PointerMotionMask : ButtonReleaseMask, &e);
      XFlush(d);
    };
    // Accepts (status) or ends (finished) with the copy action.
    const auto reply = [&](const char* type) {
      XEvent e{};
      e.xclient = {ClientMessage, 0, True, d, source, atom(type), 32, {}};
      e.xclient.data.l[0] = static_cast<long>(self);
      e.xclient.data.l[1] = 1;
      e.xclient.data.l[std::string(type) == "XdndStatus" ? 4 : 2] = static_cast<long>(atom("XdndActionCopy"));
      XSendEvent(d, source, False, NoEventMask, &e);
    };
    pointer(MotionNotify, 760);
    pointer(MotionNotify, 780);
    for (int step = 0; step < 1000; ++step) {
      XEvent e;
      if (XPending(d) == 0) {
        usleep(5000);
        continue;
      }
      XNextEvent(d, &e);
      if (e.type == ClientMessage && e.xclient.message_type == atom("XdndEnter")) {
        entered = e.xclient.data.l[2] == static_cast<long>(atom("text/uri-list")) && (e.xclient.data.l[1] >> 24) == 5;
      } else if (e.type == ClientMessage && e.xclient.message_type == atom("XdndPosition")) {
        const long at = e.xclient.data.l[2];
        entered = entered && (at & 0xFFFF) == 560 && ((at >> 16) == 760 || (at >> 16) == 780);
        reply("XdndStatus");
        pointer(ButtonRelease, 780);
      } else if (e.type == ClientMessage && e.xclient.message_type == atom("XdndDrop")) {
        XConvertSelection(d, atom("XdndSelection"), atom("text/uri-list"), atom("DROPPED"), self, CurrentTime);
      } else if (e.type == SelectionNotify && e.xselection.property != None) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, self, e.xselection.property, 0, 4096, True, AnyPropertyType, &type, &format, &count, &after, &data);
        if (data) uriList.assign(reinterpret_cast<const char*>(data), count);
        if (data) XFree(data);
        reply("XdndFinished");
        XSync(d, False);
        break;
      }
    }
    XDestroyWindow(d, self);
    XCloseDisplay(d);
  }
};

// Notes as a pattern: key, velocity and start (whole ticks), for comparing bars.
std::multiset<std::tuple<int, int, long>> pattern(const std::vector<Note>& notes) {
  std::multiset<std::tuple<int, int, long>> p;
  for (const Note& n : notes) p.emplace(n.key, n.velocity, std::lround(n.start));
  return p;
}

// Of a plug-in state: the muted slices, slice 0's pattern and velocity adjustment.
test::PanelFacts sliceFacts(const std::string& state) {
  ComRef<IMfxEventFilter> face;
  Tamborak& e = newEngine(face, state);
  test::PanelFacts facts{0, e.getSlice(0)->file(), e.getSlice(0)->getParameter(Looper::kVelocityAdjust), false};
  for (int i = 0; i < Tamborak::kSliceCount; ++i) facts.muted |= e.getSlice(i)->muted() ? 1 << i : 0;
  return facts;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string shotPath = argc > 1 ? argv[1] : "lv2-panel.png";
  velmora::test::TempFolder settings;
  setenv("TAMBORAK_CONFIG_DIR", settings.path().c_str(), 1);
  setenv("LV2_PATH", TAMBORAK_LV2_FOLDER, 1);
  EngineProcess::setPatternsFolder(TAMBORAK_LV2_FOLDER "/tamborak.lv2/Patterns");
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::printf("no X display: run under xvfb-run\n0 passed, 1 failed\n");
    return 1;
  }

  LilvWorld* world = lilv_world_new();
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, "urn:velmora:tamborak");
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  const LilvUI* panelUi = nullptr;
  LilvUIs* uis = plugin ? lilv_plugin_get_uis(plugin) : nullptr;
  LILV_FOREACH(uis, i, uis) {
    const LilvUI* candidate = lilv_uis_get(uis, i);
    if (std::string(lilv_node_as_uri(lilv_ui_get_uri(candidate))) == lv2::kUiUri) panelUi = candidate;
  }
  LilvNode* x11Class = lilv_new_uri(world, LV2_UI__X11UI);
  if (!check(panelUi && lilv_ui_is_a(panelUi, x11Class), "the bundle describes the panel as an X11 UI")) return tally();
  char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(panelUi)), nullptr);
  char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(panelUi)), nullptr);
  void* module = dlopen(binary, RTLD_NOW | RTLD_LOCAL);
  using DescriptorFunction = const LV2UI_Descriptor* (*)(uint32_t);
  const auto entry = module ? reinterpret_cast<DescriptorFunction>(dlsym(module, "lv2ui_descriptor")) : nullptr;
  const LV2UI_Descriptor* descriptor = entry ? entry(0) : nullptr;
  const bool described = descriptor && std::string(descriptor->URI) == lv2::kUiUri;
  if (!check(described, "the panel's module loads and describes itself")) {
    std::printf("%s\n", module ? "" : dlerror());
    return tally();
  }

  // The loop the plug-in starts with, and a note-name set that is not installed.
  const std::string state = edited(composedState(), [](Tamborak& e) { e.getNoteNames()->setTitle("Kit Not Here"); });
  const ui::Rect compose = ui::TamborakPanel::kComposeRect;

  const SongSetup song{120, 4, 4, 256};
  const std::uint64_t bar = frameOfTick(song, static_cast<double>(song.barTicks()));
  auto owned = std::make_unique<Instance>(world, plugin, song.rate);
  Instance& instance = *owned;
  check(instance.ok() && instance.restore(state), "the plug-in starts with the composed loop");

  const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kHostWidth, kHostHeight, 0,
                                          BlackPixel(display, DefaultScreen(display)), 0x808080);
  XMapWindow(display, host);
  XSync(display, False);
  Link link{&instance};
  LV2_Feature mapFeature{LV2_URID__map, &uridMap};
  LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(host)};
  LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
  const LV2_Feature* features[] = {&mapFeature, &parentFeature, &idleFeature, nullptr};
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle handle = descriptor->instantiate(descriptor, "urn:velmora:tamborak", bundle, writePort, &link, &widget, features);
  const auto* idle = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
  if (!check(handle && widget && idle, "the panel opens inside the host's window")) return tally();
  int notified = 0, positions = 0;
  instance.onNotify = [&](const LV2_Atom* atom) {
    const LV2_URID type = reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype;
    notified += type == id(lv2::kPanelStateUri);
    positions += type == id(lv2::kPanelPositionUri);
    descriptor->port_event(handle, lv2::kPortNotify, lv2_atom_total_size(atom), id(LV2_ATOM__eventTransfer), atom);
  };
  instance.eachBlock = [&] { idle->idle(handle); };
  const auto settle = [&] {
    for (int i = 0; i < 20; ++i) {
      idle->idle(handle);
      XSync(display, False);
      usleep(1000);  // the panel's timers run between a host's idle calls
    }
  };

  // The panel says hello, gets the plug-in's state and shows it; nothing goes back.
  std::vector<Note> before = instance.play(song, bar, {{0, true, 0, 1}});
  settle();
  check(notified == 1 && link.statesSent == 0, "the panel gets the plug-in's state once and sends nothing back");
  cairo_surface_t* first = screenshot(display, host);
  const bool drawn = first && colours(first).size() >= 8;
  check(drawn && cairo_surface_write_to_png(first, shotPath.c_str()) == CAIRO_STATUS_SUCCESS,
        "the panel is drawn in the host's window (screenshot " + shotPath + ")");

  // The cursors follow the playing plug-in: half a bar on they moved, a bar more on they are back.
  const int positionsBefore = positions;
  instance.play(song, bar / 2, {});
  settle();
  cairo_surface_t* half = screenshot(display, host);
  const int halfBarPositions = positions - positionsBefore;
  instance.play(song, bar, {});
  settle();
  cairo_surface_t* later = screenshot(display, host);
  const int moved = first && half && later ? cursorShift(first, half) : -1, back = moved < 0 ? -1 : cursorShift(half, later);
  check(moved > 20 && back >= 0 && back <= 4 && halfBarPositions > 0 &&
            halfBarPositions <= 1000 / static_cast<int>(lv2::kPositionIntervalMs) + 1,
        "the panel's play cursors follow the plug-in (" + std::to_string(moved) + ", " + std::to_string(back) +
            " px; " + std::to_string(halfBarPositions) + " positions in 1 s)");
  instance.play(song, bar - bar / 2, {});
  before = instance.play(song, bar, {});
  const std::string stateBefore = instance.save();

  // Mouse and key events as the X server sends them (a key event has a button event's layout).
  const Window panel = reinterpret_cast<Window>(widget);
  const auto send = [&](int type, unsigned detail, ui::Point p, unsigned buttons = 0) {
    XEvent e{};
    e.xbutton = {type, 0, True, display, panel, DefaultRootWindow(display), None, CurrentTime,
                 p.x, p.y, 0, 0, buttons, detail, True};
    const long mask = type == KeyPress        ? KeyPressMask
                      : type == ButtonPress   ? ButtonPressMask
                      : type == MotionNotify  ? PointerMotionMask
                                              : ButtonReleaseMask;
    XSendEvent(display, panel, False, mask, &e);
  };

  // A click on "Compose Loop": the panel composes and the plug-in plays the new loop.
  for (int type : {ButtonPress, ButtonRelease})
    send(type, Button1, {(compose.left + compose.right) / 2, (compose.top + compose.bottom) / 2});
  XSync(display, False);
  const int notifiedBeforeClick = notified;
  settle();
  check(link.statesSent == 1, "the click sends the newly composed loop to the plug-in");
  instance.play(song, bar, {});  // the bar in which the new loop arrives
  const std::vector<Note> after = instance.play(song, bar, {});
  check(instance.save() != stateBefore && !after.empty() && pattern(after) != pattern(before) &&
            notified == notifiedBeforeClick,
        "after the click the plug-in plays another loop, and does not send it back");
  check(instance.save().find("Kit Not Here") != std::string::npos, "the panel keeps the plug-in's note-name set");

  // The host automates swing: the plug-in's state changes and the panel follows, silently.
  settle();
  cairo_surface_t* second = screenshot(display, host);
  const int notifiedBefore = notified;
  instance.controls_[lv2::controlIndex("swing")] = 60;
  instance.play(song, bar / 4, {});
  settle();
  cairo_surface_t* third = screenshot(display, host);
  check(notified > notifiedBefore && link.statesSent == 1 && second && third && cursorShift(second, third) != 0,
        "a change in the plug-in reaches the panel and is not sent back");
  for (cairo_surface_t* s : {first, half, later, second, third})
    if (s) cairo_surface_destroy(s);

  // The loop dragged from "Drag from here" onto another program's window: the drop names the MIDI
  // file in the temporary folder (a name with a space, which the URI encodes).
  {
    velmora::test::TempFolder temp;
    const std::filesystem::path folder = std::filesystem::path(temp.path()) / "drag out";
    std::filesystem::create_directory(folder);
    setenv("TMPDIR", folder.c_str(), 1);
    DropTarget target(panel);
    const ui::Rect grip = ui::TamborakPanel::kDragRect;
    send(ButtonPress, Button1, {grip.left + 20, grip.top + 20});
    send(MotionNotify, Button1, {grip.left + 30, grip.top + 20}, Button1Mask);
    XSync(display, False);
    settle();  // the drag runs inside the panel's idle call
    target.finish();
    std::ifstream in(folder / "Tamborak.mid", std::ios::binary);
    char head[4] = {};
    in.read(head, 4);
    check(target.entered && target.uriList == "file://" + temp.path().string() + "/drag%20out/Tamborak.mid\r\n" &&
              std::string(head, 4) == "MThd",
          "dragging the loop out drops its MIDI file on another program's window");
    if (failed) std::printf("  dropped: %s\n", target.uriList.c_str());
    unsetenv("TMPDIR");
  }

  // Mouse buttons, double clicks and keys.
  {
    const auto press = [&](bool right, ui::Point p, int times) {
      for (int i = 0; i < times; ++i)
        for (int type : {ButtonPress, ButtonRelease}) send(type, right ? Button3 : Button1, p);
    };
    const auto type = [&](const std::string& digits) {
      for (char c : digits) send(KeyPress, XKeysymToKeycode(display, static_cast<KeySym>(XK_0 + (c - '0'))), {});
    };
    const auto facts = [&] {
      XSync(display, False);
      settle();
      instance.play(song, bar / 4, {});
      test::PanelFacts f = sliceFacts(instance.save());
      f.quantize = instance.controls_[lv2::controlIndex("quantize")] != 0;
      return f;
    };
    test::checkPanelMouse(press, type, facts, [](bool ok, const std::string& what) { check(ok, "X11: " + what); });
  }

  // A host may destroy its window, and the panel's with it, before it cleans the panel up.
  XDestroyWindow(display, host);
  XSync(display, False);
  descriptor->cleanup(handle);
  owned.reset();
  XCloseDisplay(display);
  lilv_free(binary);
  lilv_free(bundle);
  lilv_node_free(x11Class);
  lilv_uis_free(uis);
  lilv_node_free(uri);
  lilv_world_free(world);
  ui::releaseCairoCaches();  // the panel's fonts, for the leak checker
  return tally();
}
