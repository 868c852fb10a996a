#include "ui/LoopBrowserStrip.h"

#include <algorithm>
#include <string>

#include "ui/Pictures.h"
#include "ui/Strings.h"
#include "ui/TamborakPanel.h"

namespace velmora::ui {

namespace {

using Files = velmora::LoopBrowser;

}  // namespace

// ---- FlatTreeCombo

FlatTreeCombo::FlatTreeCombo(ControlOwner& owner, int id, Rect rect, const Files& source)
    : Control(owner, id, rect), source_(source) {}

void FlatTreeCombo::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kField);
  c.edge(r, true);
  const int arrowLeft = r.right - 9;
  const int selected = source_.selection();
  const std::string text = selected >= 0 ? source_.items()[static_cast<std::size_t>(selected)].name : std::string();
  c.text({r.left + 3, r.top, arrowLeft, r.bottom}, text, colors::kText, Align::kLeft, FontStyle::kNormal);
  const int cy = (r.top + r.bottom) / 2;
  c.polygon({{arrowLeft, cy - 2}, {arrowLeft + 6, cy - 2}, {arrowLeft + 3, cy + 3}}, colors::kDark);
}

Menu FlatTreeCombo::menu() const {
  Menu m;
  const auto& items = source_.items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Files::Item& item = items[i];
    std::string label(static_cast<std::size_t>(item.depth) * 4, ' ');
    label += item.loop ? item.name : "[" + item.name + "]";
    m.appendItem(static_cast<std::uint32_t>(i + 1), label, i > 0 && i % 24 == 0, static_cast<int>(i) == source_.selection());
  }
  return m;
}

bool FlatTreeCombo::mouseDown(Point, MouseButton button, unsigned) {
  if (!enabled() || button != MouseButton::kLeft || source_.items().empty()) return false;
  const std::uint32_t choice = owner_.services().trackMenu(menu(), {rect().left, rect().bottom});
  if (choice != 0) {
    chosen_ = static_cast<int>(choice) - 1;
    notify(Notify::kChanged);
  }
  return false;  // the menu ran its own loop
}

// ---- LoopBrowser

const AcceleratorTable& LoopBrowser::accelerators() {
  static const AcceleratorTable table{{'S', kNoMods, Files::kSaveAs},
                                      {'S', kShift, Files::kSave},
                                      {keys::kDelete, kNoMods, Files::kDelete},
                                      {keys::kInsert, kNoMods, Files::kSaveNew}};
  return table;
}

LoopBrowser::LoopBrowser(Files& files, WindowServices& services) : files_(files), services_(services) {
  tree_ = std::make_unique<FlatTreeCombo>(*this, Files::kTreeSelection, kTreeRect, files_);
  save_ = std::make_unique<Button>(*this, Files::kSaveButton, kSaveRect, "");
  save_->setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawSavePicture(c, r, pressed); });
  delete_ = std::make_unique<Button>(*this, Files::kDeleteButton, kDeleteRect, "");
  delete_->setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawDeletePicture(c, r, pressed); });
  for (Control* c : {static_cast<Control*>(tree_.get()), static_cast<Control*>(save_.get()), static_cast<Control*>(delete_.get())})
    c->setTooltip(loadString(c->id()));
  create({0, 0, kNaturalWidth, naturalHeight()});
}

LoopBrowser::~LoopBrowser() = default;

void LoopBrowser::create(const Rect& r) {
  rect_ = r;
  const int shift = r.width() - kDeleteRect.right;
  tree_->setRect(Rect{kTreeRect.left, kTreeRect.top, std::max(kTreeRect.left, kTreeRect.right + shift), kTreeRect.bottom}
                     .offset(r.left, r.top));
  save_->setRect(kSaveRect.offset(r.left + shift, r.top));
  delete_->setRect(kDeleteRect.offset(r.left + shift, r.top));
}

void LoopBrowser::paint(Canvas& c) {
  c.fill(rect_, kBackground);
  tree_->paint(c);
  save_->paint(c);
  delete_->paint(c);
}

Control* LoopBrowser::controlAt(Point p) {
  for (Control* c : {static_cast<Control*>(tree_.get()), static_cast<Control*>(save_.get()), static_cast<Control*>(delete_.get())})
    if (c->rect().contains(p)) return c;
  return nullptr;
}

Control* LoopBrowser::mouseDown(Point p, MouseButton button, unsigned mods) {
  Control* c = controlAt(p);
  return c && c->mouseDown(p, button, mods) ? c : nullptr;
}

bool LoopBrowser::key(int vk, unsigned mods) {
  if (const int id = translateAccelerator(accelerators(), vk, mods)) {
    command(id, mods);
    return true;
  }
  return parentKeys_ && parentKeys_(vk, mods);
}

bool LoopBrowser::command(int id, unsigned mods) {
  const bool done = files_.command(id, (mods & kShift) != 0);
  tree_->invalidate();
  return done;
}

void LoopBrowser::onNotify(Control& control, Notify what) {
  if (what == Notify::kChanged && control.id() == Files::kTreeSelection) {
    files_.select(tree_->chosen());
    tree_->invalidate();
  } else if (what == Notify::kClicked) {
    command(control.id(), static_cast<Button&>(control).lastMods());
  }
}

PanelLoopBrowser::PanelLoopBrowser(TamborakPanel& panel, ControlApi& engine, WindowServices& services)
    : panel_(panel), files_(engine, services.prompt(), engine.getLoopsFolder()), strip_(files_, services) {
  panel_.attachLoopBrowser(&strip_);
  files_.startWatching();
}

PanelLoopBrowser::~PanelLoopBrowser() {
  files_.stopWatching();
  panel_.attachLoopBrowser(nullptr);
}

}  // namespace velmora::ui
