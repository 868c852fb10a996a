#include "ui/x11/PanelWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Clipboard.h"
#include "ui/DialogWindow.h"
#include "ui/Strings.h"
#include "ui/TamborakPanel.h"
#include "ui/Tooltip.h"
#include "ui/cairo/CairoCanvas.h"
#include "ui/x11/XdndSource.h"

namespace velmora::ui {

namespace {

constexpr Color kMenuFace{240, 240, 232}, kMenuText{20, 20, 20}, kMenuGrey{150, 150, 150}, kMenuHot{49, 106, 197},
    kMenuFrame{90, 90, 90};
constexpr int kLineHeight = 18;
constexpr auto kDoubleClick = std::chrono::milliseconds(400);

// The panel's key codes for an X key symbol; 0 for keys the panel has no use for.
int keyCode(KeySym sym) {
  if (sym >= XK_a && sym <= XK_z) return static_cast<int>('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z) return static_cast<int>(sym);
  if (sym >= XK_0 && sym <= XK_9) return static_cast<int>(sym);
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return keys::kNumpad0 + static_cast<int>(sym - XK_KP_0);
  switch (sym) {
    case XK_BackSpace: return keys::kBack;
    case XK_Tab: case XK_ISO_Left_Tab: return keys::kTab;
    case XK_Return: case XK_KP_Enter: return keys::kReturn;
    case XK_Escape: return keys::kEscape;
    case XK_space: return keys::kSpace;
    case XK_Left: return keys::kLeft;
    case XK_Up: return keys::kUp;
    case XK_Right: return keys::kRight;
    case XK_Down: return keys::kDown;
    case XK_Insert: return keys::kInsert;
    case XK_Delete: return keys::kDelete;
    case XK_KP_Add: return keys::kAdd;
    case XK_KP_Subtract: return keys::kSubtract;
    default: return 0;
  }
}

unsigned modifiers(unsigned state) {
  return (state & ShiftMask ? kShift : 0u) | (state & ControlMask ? kCtrl : 0u) | (state & Mod1Mask ? kAlt : 0u);
}

// A key press as the controls take it: the key code, the modifiers and the typed character
// (0 when none).
struct KeyPressed {
  int code = 0;
  unsigned mods = 0;
  char character = 0;
};

KeyPressed keyPressed(XKeyEvent& event) {
  char text[8] = {};
  KeySym shifted = 0;
  const int length = XLookupString(&event, text, sizeof text, &shifted, nullptr);
  KeyPressed k;
  k.mods = modifiers(event.state);
  // Keys by their unshifted symbol, as accelerators name them: Shift+2 is 2 with Shift, not @.
  const KeySym plain = XLookupKeysym(&event, 0);
  k.code = keyCode(plain >= XK_KP_Space && plain <= XK_KP_9 ? shifted : plain);
  if (length == 1 && static_cast<unsigned char>(text[0]) >= 0x20 && !(k.mods & kCtrl)) k.character = text[0];
  return k;
}

// The panel's mouse button of an X button number (none for the wheel and the others).
std::optional<MouseButton> mouseButton(unsigned button) {
  if (button == Button1) return MouseButton::kLeft;
  if (button == Button3) return MouseButton::kRight;
  return std::nullopt;
}

// The label without its right-aligned key name, and the key name.
std::pair<std::string, std::string> splitLabel(const std::string& label) {
  const auto tab = label.find_first_of("\b\t");
  if (tab == std::string::npos) return {label, {}};
  return {label.substr(0, tab), label.substr(tab + 1)};
}

}  // namespace

// Tells a double click from a single press: a second left press soon after the first, near it.
class ClickClock {
 public:
  // Whether this left press at `p` ends a double click.
  bool secondPress(Point p) {
    const auto now = std::chrono::steady_clock::now();
    const bool twice = now - last_ < kDoubleClick && std::abs(p.x - at_.x) <= 3 && std::abs(p.y - at_.y) <= 3;
    last_ = twice ? std::chrono::steady_clock::time_point{} : now;
    at_ = p;
    return twice;
  }
  // Another button was pressed: the next left press starts afresh.
  void reset() { last_ = {}; }

 private:
  std::chrono::steady_clock::time_point last_{};
  Point at_{-100, -100};
};

struct X11Connection {
  ::Display* display = nullptr;
  int screen = 0;
  ~X11Connection() {
    if (display) XCloseDisplay(display);
  }
  // Draws with `paint` into an image and copies it into `drawable` at once (no flicker). The
  // image's pixels are 32-bit 0x00RRGGBB, as a true-colour visual of depth 24 takes them.
  void draw(Drawable drawable, int width, int height, const std::function<void(Canvas&)>& paint) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    {
      CairoCanvas canvas(cr);
      paint(canvas);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
      XImage* image = XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                                   ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(surface)),
                                   static_cast<unsigned>(width), static_cast<unsigned>(height), 32,
                                   cairo_image_surface_get_stride(surface));
      if (image) {
        XPutImage(display, drawable, DefaultGC(display, screen), image, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        image->data = nullptr;  // the pixels are Cairo's
        XDestroyImage(image);
      }
    }
    cairo_surface_destroy(surface);
    XFlush(display);
  }

  // One line of a modal choice window: text, and whether it can be chosen.
  struct Line {
    std::string text, key;
    bool choosable = true, grayed = false, checked = false, bold = false, newColumn = false;
  };

  // Shows `lines` in a modal window at `at` (root coordinates) and gives the index of the line
  // chosen, or -1 when the user clicks outside or presses Escape. `repaintOwner` redraws the
  // window underneath when it is exposed meanwhile.
  int choose(const std::vector<Line>& lines, int x, int y, const std::function<void()>& repaintOwner) {
    if (lines.empty()) return -1;
    // Measure with a scratch surface.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* measure = cairo_create(scratch);
    CairoCanvas measurer(measure);
    struct Column {
      int width = 0, first = 0, count = 0;
    };
    std::vector<Column> columns(1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].newColumn && columns.back().count > 0) columns.push_back({0, static_cast<int>(i), 0});
      const int w = measurer.textWidth(lines[i].text, lines[i].bold ? FontStyle::kBold : FontStyle::kNormal) +
                    (lines[i].key.empty() ? 0 : measurer.textWidth(lines[i].key, FontStyle::kNormal) + 24) + 32;
      columns.back().width = std::max(columns.back().width, w);
      ++columns.back().count;
    }
    cairo_destroy(measure);
    cairo_surface_destroy(scratch);
    int width = 2, rows = 0;
    for (const Column& c : columns) {
      width += c.width;
      rows = std::max(rows, c.count);
    }
    const int height = rows * kLineHeight + 4;
    const int screenWidth = DisplayWidth(display, screen), screenHeight = DisplayHeight(display, screen);
    x = std::clamp(x, 0, std::max(0, screenWidth - width));
    y = std::clamp(y, 0, std::max(0, screenHeight - height));

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    const Window popup = XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                                       static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(display, popup);

    const auto lineAt = [&](int px, int py) {
      int left = 1;
      for (const Column& c : columns) {
        if (px >= left && px < left + c.width) {
          const int row = (py - 2) / kLineHeight;
          if (py >= 2 && row < c.count) return c.first + row;
          return -1;
        }
        left += c.width;
      }
      return -1;
    };
    int hot = -1;
    const auto draw = [&] {
      this->draw(popup, width, height, [&](Canvas& canvas) {
        canvas.fill({0, 0, width, height}, kMenuFace);
        canvas.frame({0, 0, width, height}, kMenuFrame);
        int left = 1;
        for (const Column& c : columns) {
          for (int row = 0; row < c.count; ++row) {
            const Line& line = lines[static_cast<std::size_t>(c.first + row)];
            const Rect r{left, 2 + row * kLineHeight, left + c.width, 2 + (row + 1) * kLineHeight};
            const bool lit = c.first + row == hot && line.choosable && !line.grayed;
            if (lit) canvas.fill(r, kMenuHot);
            const Color ink = lit ? Color{255, 255, 255} : line.grayed ? kMenuGrey : kMenuText;
            if (line.checked) canvas.text({r.left + 4, r.top, r.left + 18, r.bottom}, "*", ink, Align::kLeft, FontStyle::kBold);
            if (line.text == "-") {
              canvas.line({r.left + 4, r.top + kLineHeight / 2}, {r.right - 4, r.top + kLineHeight / 2}, kMenuGrey);
            } else {
              canvas.text({r.left + 18, r.top, r.right - 6, r.bottom}, line.text, ink, Align::kLeft,
                          line.bold ? FontStyle::kBold : FontStyle::kNormal);
              if (!line.key.empty())
                canvas.text({r.left + 18, r.top, r.right - 8, r.bottom}, line.key, ink, Align::kRight, FontStyle::kNormal);
            }
          }
          left += c.width;
        }
      });
    };

    XGrabPointer(display, popup, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    XGrabKeyboard(display, popup, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    int chosen = -2;
    bool pressedInside = false;
    while (chosen == -2) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.xany.window != popup) {
        if (event.type == Expose && repaintOwner) repaintOwner();
        continue;
      }
      switch (event.type) {
        case Expose:
          if (event.xexpose.count == 0) draw();
          break;
        case MotionNotify: {
          const int now = lineAt(event.xmotion.x, event.xmotion.y);
          if (now != hot) {
            hot = now;
            draw();
          }
          break;
        }
        case ButtonPress:
          pressedInside = lineAt(event.xbutton.x, event.xbutton.y) >= 0;
          if (!pressedInside) chosen = -1;
          break;
        case ButtonRelease: {
          const int at = lineAt(event.xbutton.x, event.xbutton.y);
          if (at >= 0 && lines[static_cast<std::size_t>(at)].choosable && !lines[static_cast<std::size_t>(at)].grayed &&
              lines[static_cast<std::size_t>(at)].text != "-")
            chosen = at;
          else if (at < 0 && pressedInside)
            chosen = -1;
          break;
        }
        case KeyPress:
          if (XLookupKeysym(&event.xkey, 0) == XK_Escape) chosen = -1;
          break;
        default: break;
      }
    }
    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    XDestroyWindow(display, popup);
    XFlush(display);
    return chosen;
  }
};

namespace {

// Questions in a modal window: the title, the text, one line per button.
class X11Prompt : public platform::Prompt {
 public:
  X11Prompt(X11Connection& x, Window owner, std::function<void()> repaint)
      : x_(x), owner_(owner), repaint_(std::move(repaint)) {}

  platform::PromptAnswer ask(const std::string& text, const std::string& title, platform::PromptButtons buttons,
                             platform::PromptIcon) override {
    using platform::PromptAnswer;
    using platform::PromptButtons;
    std::vector<X11Connection::Line> lines;
    lines.push_back({title, {}, false, false, false, true, false});
    std::size_t start = 0;
    while (start <= text.size()) {
      const auto end = text.find('\n', start);
      lines.push_back({text.substr(start, end == std::string::npos ? std::string::npos : end - start), {}, false});
      if (end == std::string::npos) break;
      start = end + 1;
    }
    lines.push_back({"-", {}, false});
    std::vector<std::pair<std::string, PromptAnswer>> choices;
    switch (buttons) {
      case PromptButtons::kOk: choices = {{"OK", PromptAnswer::kOk}}; break;
      case PromptButtons::kOkCancel: choices = {{"OK", PromptAnswer::kOk}, {"Cancel", PromptAnswer::kCancel}}; break;
      case PromptButtons::kYesNo: choices = {{"Yes", PromptAnswer::kYes}, {"No", PromptAnswer::kNo}}; break;
      case PromptButtons::kYesNoCancel:
        choices = {{"Yes", PromptAnswer::kYes}, {"No", PromptAnswer::kNo}, {"Cancel", PromptAnswer::kCancel}};
        break;
    }
    const std::size_t first = lines.size();
    for (const auto& choice : choices) lines.push_back({choice.first, {}, true});
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(x_.display, owner_, RootWindow(x_.display, x_.screen), 40, 40, &rootX, &rootY, &child);
    const int chosen = x_.choose(lines, rootX, rootY, repaint_);
    if (chosen < static_cast<int>(first)) return platform::refusal(buttons);
    return choices[static_cast<std::size_t>(chosen) - first].second;
  }

 private:
  X11Connection& x_;
  Window owner_;
  std::function<void()> repaint_;
};


// Shows `menu` at `at` in `window`'s coordinates and gives the chosen command, 0 when none.
// Sub-menus open as menus of their own where their item was chosen.
std::uint32_t runMenu(X11Connection& x, Window window, const Menu& menu, Point at, const std::function<void()>& repaint) {
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(x.display, window, RootWindow(x.display, x.screen), at.x, at.y, &rootX, &rootY, &child);
  const std::vector<MenuItem>* items = &menu.items;
  while (items) {
    std::vector<X11Connection::Line> lines;
    for (const MenuItem& item : *items) {
      auto [text, key] = splitLabel(item.label);
      if (!item.submenu.empty()) text += "  >";
      lines.push_back({item.separator ? "-" : text, key, !item.separator, item.grayed, item.checked, item.isDefault,
                       item.newColumn});
    }
    const int chosen = x.choose(lines, rootX, rootY, repaint);
    if (chosen < 0) return 0;
    const MenuItem& item = (*items)[static_cast<std::size_t>(chosen)];
    if (item.submenu.empty()) return item.command;
    items = &item.submenu;
    rootX += 24;
    rootY += 8 + chosen * kLineHeight;
  }
  return 0;
}


// The services of a dialog in its own window: repaints, menus and questions in the dialog's
// coordinates; help, the clipboard and nested dialogs go to the panel's window.
class DialogServices final : public WindowServices {
 public:
  DialogServices(X11Connection& x, Window window, WindowServices& owner, std::function<void()> repaint)
      : x_(x), window_(window), owner_(owner), repaint_(std::move(repaint)), prompt_(x, window, repaint_) {}
  bool dirty = true;

  void invalidate(const Rect&) override { dirty = true; }
  void setTimer(int, int) override {}
  void killTimer(int) override {}
  void captureMouse() override {}
  void releaseMouse() override {}
  void showTooltip(const std::string&, const Rect&) override {}
  void setWindowText(const std::string&) override {}
  std::uint32_t trackMenu(const Menu& menu, Point at) override {
    const std::uint32_t chosen = runMenu(x_, window_, menu, at, repaint_);
    dirty = true;
    return chosen;
  }
  void runDialog(Dialog dialog) override {
    owner_.runDialog(dialog);
    dirty = true;
  }
  void runModal(DialogWindow& dialog) override {
    owner_.runModal(dialog);
    dirty = true;
  }
  platform::Prompt& prompt() override {
    dirty = true;
    return prompt_;
  }
  bool clipboardHas(const std::string& format) override { return owner_.clipboardHas(format); }
  void startDrag() override {}
  void beep() override { XBell(x_.display, 0); }

 private:
  X11Connection& x_;
  Window window_;
  WindowServices& owner_;
  std::function<void()> repaint_;
  X11Prompt prompt_;
};

}  // namespace

std::unique_ptr<PanelWindow> PanelWindow::open(unsigned long parent, std::string& error) {
  auto x = std::make_unique<X11Connection>();
  x->display = XOpenDisplay(nullptr);
  if (!x->display) {
    error = "cannot open the X display";
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) error += " (DISPLAY is not set)";
    return nullptr;
  }
  x->screen = DefaultScreen(x->display);
  const Window under = parent ? static_cast<Window>(parent) : RootWindow(x->display, x->screen);
  const Window window = XCreateSimpleWindow(x->display, under, 0, 0, TamborakPanel::kWidth, TamborakPanel::kHeight, 0,
                                            BlackPixel(x->display, x->screen), WhitePixel(x->display, x->screen));
  XSelectInput(x->display, window,
               ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                   StructureNotifyMask | LeaveWindowMask);
  if (!parent) XStoreName(x->display, window, "Tamborak");
  // The minimum and maximum size are the panel's: it does not stretch.
  XSizeHints* hints = XAllocSizeHints();
  if (hints) {
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = TamborakPanel::kWidth;
    hints->min_height = hints->max_height = TamborakPanel::kHeight;
    XSetWMNormalHints(x->display, window, hints);
    XFree(hints);
  }
  XMapRaised(x->display, window);
  XFlush(x->display);
  return std::unique_ptr<PanelWindow>(new PanelWindow(std::move(x), window));
}

PanelWindow::PanelWindow(std::unique_ptr<X11Connection> connection, unsigned long window)
    : x_(std::move(connection)), window_(window), clicks_(std::make_unique<ClickClock>()) {
  prompt_ = std::make_unique<X11Prompt>(*x_, window_, [this] { repaint(); });
}

PanelWindow::~PanelWindow() {
  prompt_.reset();
  // The host may have destroyed its window, and ours with it, already: destroying it again would
  // be an X error, which Xlib's default handler answers by ending the host.
  XSync(x_->display, False);
  XEvent event;
  while (XCheckTypedWindowEvent(x_->display, window_, DestroyNotify, &event)) gone_ = true;
  if (!gone_) XDestroyWindow(x_->display, window_);
  XFlush(x_->display);
}

void PanelWindow::setPanel(TamborakPanel* panel) {
  panel_ = panel;
  dirty_ = true;
}

int PanelWindow::idle() {
  int inputs = 0;
  while (XPending(x_->display) > 0) {
    XEvent event;
    XNextEvent(x_->display, &event);
    handle(&event, inputs);
  }
  // Due timers are gathered first: a handler may set or kill timers.
  const auto now = std::chrono::steady_clock::now();
  std::vector<int> due;
  for (auto& [id, timer] : timers_)
    if (timer.due <= now) {
      timer.due = now + timer.period;
      due.push_back(id);
    }
  for (int id : due)
    if (panel_ && timers_.count(id)) panel_->onTimer(id);
  if (dirty_ && !gone_) repaint();
  return inputs;
}

void PanelWindow::handle(void* raw, int& inputs) {
  XEvent& event = *static_cast<XEvent*>(raw);
  if (event.xany.window != window_) return;
  if (event.type == Expose) {
    if (event.xexpose.count == 0) dirty_ = true;
    return;
  }
  if (event.type == DestroyNotify) {
    gone_ = true;  // with the host's window: nothing is drawn any more
    return;
  }
  if (!panel_) return;
  switch (event.type) {
    case ButtonPress: {
      const Point p{event.xbutton.x, event.xbutton.y};
      const unsigned mods = modifiers(event.xbutton.state);
      XSetInputFocus(x_->display, window_, RevertToParent, event.xbutton.time);
      ++inputs;
      const auto button = mouseButton(event.xbutton.button);
      if (event.xbutton.button == Button4 || event.xbutton.button == Button5) {
        panel_->wheel(p, event.xbutton.button == Button4 ? 1 : -1);
      } else if (button == MouseButton::kLeft && clicks_->secondPress(p)) {
        panel_->doubleClick(p, mods);
      } else if (button) {
        if (*button != MouseButton::kLeft) clicks_->reset();
        panel_->mouseDown(p, *button, mods);
      }
      break;
    }
    case ButtonRelease:
      // Buttons act on the release, of either button (the mute button's right click solos).
      if (const auto button = mouseButton(event.xbutton.button)) {
        panel_->mouseUp({event.xbutton.x, event.xbutton.y}, *button);
        ++inputs;
      }
      break;
    case MotionNotify:
      panel_->mouseMove({event.xmotion.x, event.xmotion.y});
      break;
    case LeaveNotify:
      showTooltip({}, {});
      break;
    case KeyPress: {
      // The key and then its character, as Windows sends them: the parameter box keeps its digit
      // keys from the accelerators and types their characters.
      const KeyPressed k = keyPressed(event.xkey);
      ++inputs;
      if (k.code) panel_->key(k.code, k.mods);
      if (k.character) panel_->character(k.character);
      break;
    }
    default: break;
  }
}

void PanelWindow::repaint() {
  dirty_ = false;
  x_->draw(window_, TamborakPanel::kWidth, TamborakPanel::kHeight, [this](Canvas& canvas) {
    if (panel_) panel_->paint(canvas);
    if (!tooltip_.empty()) paintTooltip(canvas, tooltip_, tipArea_, TamborakPanel::bounds());
  });
}

void PanelWindow::invalidate(const Rect&) { dirty_ = true; }

void PanelWindow::setTimer(int id, int periodMs) {
  const auto period = std::chrono::milliseconds(std::max(1, periodMs));
  timers_[id] = {period, std::chrono::steady_clock::now() + period};
}

void PanelWindow::killTimer(int id) { timers_.erase(id); }

void PanelWindow::showTooltip(const std::string& tip, const Rect& r) {
  if (tip == tooltip_ && (tip.empty() || (r.left == tipArea_.left && r.top == tipArea_.top))) return;
  tooltip_ = tip;
  tipArea_ = r;
  dirty_ = true;
}

std::uint32_t PanelWindow::trackMenu(const Menu& menu, Point at) {
  showTooltip({}, {});
  const std::uint32_t chosen = runMenu(*x_, window_, menu, at, [this] { repaint(); });
  dirty_ = true;
  return chosen;
}

void PanelWindow::runDialog(Dialog dialog) {
  showDialogMessage(*this, dialog);
  dirty_ = true;
}

void PanelWindow::runModal(DialogWindow& dialog) {
  showTooltip({}, {});
  const Rect size = dialog.bounds();
  ::Display* display = x_->display;
  XSetWindowAttributes attributes{};
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  // Centred over the panel, a top-level window of the dialog's fixed size.
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(display, window_, RootWindow(display, x_->screen), (TamborakPanel::kWidth - size.width()) / 2,
                        (TamborakPanel::kHeight - size.height()) / 2, &rootX, &rootY, &child);
  const Window window = XCreateWindow(display, RootWindow(display, x_->screen), std::max(0, rootX), std::max(0, rootY),
                                      static_cast<unsigned>(size.width()), static_cast<unsigned>(size.height()), 0,
                                      CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attributes);
  XStoreName(display, window, dialog.title().c_str());
  XSetTransientForHint(display, window, window_);
  if (XSizeHints* hints = XAllocSizeHints()) {
    hints->flags = PMinSize | PMaxSize | PPosition;
    hints->x = rootX;
    hints->y = rootY;
    hints->min_width = hints->max_width = size.width();
    hints->min_height = hints->max_height = size.height();
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
  }
  // The window manager's close box cancels.
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XMapRaised(display, window);

  DialogServices services(*x_, window, *this, [this] { repaint(); });
  const auto paintDialog = [&] {
    services.dirty = false;
    x_->draw(window, size.width(), size.height(), [&](Canvas& canvas) { dialog.paint(canvas); });
  };
  dialog.setServices(&services);
  ClickClock clicks;
  while (!dialog.closed()) {
    if (services.dirty && XPending(display) == 0) paintDialog();
    XEvent event;
    XNextEvent(display, &event);
    if (event.xany.window != window) {
      // The panel underneath only repaints; its input waits until the dialog is closed.
      if (event.xany.window == window_ && event.type == Expose && event.xexpose.count == 0) repaint();
      continue;
    }
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) services.dirty = true;
        break;
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) dialog.cancel();
        break;
      case ButtonPress: {
        const Point p{event.xbutton.x, event.xbutton.y};
        XSetInputFocus(display, window, RevertToParent, event.xbutton.time);
        if (event.xbutton.button == Button4 || event.xbutton.button == Button5) {
          dialog.wheel(p, event.xbutton.button == Button4 ? 1 : -1);
        } else if (event.xbutton.button == Button1) {
          if (clicks.secondPress(p)) dialog.doubleClick(p);
          else dialog.mouseDown(p, MouseButton::kLeft, modifiers(event.xbutton.state));
        }
        break;
      }
      case ButtonRelease:
        if (event.xbutton.button == Button1) dialog.mouseUp({event.xbutton.x, event.xbutton.y});
        break;
      case MotionNotify: dialog.mouseMove({event.xmotion.x, event.xmotion.y}); break;
      case KeyPress: {
        const KeyPressed k = keyPressed(event.xkey);
        if (k.code && dialog.key(k.code, k.mods)) break;
        if (k.character) dialog.character(k.character);
        break;
      }
      default: break;
    }
  }
  dialog.setServices(nullptr);
  XDestroyWindow(display, window);
  XFlush(display);
  dirty_ = true;
}

platform::Prompt& PanelWindow::prompt() { return *prompt_; }

bool PanelWindow::clipboardHas(const std::string& format) {
  std::string bytes;
  return platform::systemClipboard().get(format, bytes);
}

void PanelWindow::beep() { XBell(x_->display, 0); }

platform::DragResult PanelWindow::dragFiles(std::string_view dropBlock) {
  const platform::DragResult result = dragFileOut(x_->display, window_, platform::dropFilesPath(dropBlock));
  dirty_ = true;
  return result;
}

}  // namespace velmora::ui
