// The panel's C entry points: the UI descriptor and the idle interface, each a thin forward to the
// panel.
#include <lv2/ui/ui.h>

#include <cstring>

#include "lv2/PanelLink.h"
#include "lv2/TamborakUi.h"

namespace {

using velmora::lv2::PanelUi;

PanelUi* self(LV2UI_Handle handle) { return static_cast<PanelUi*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  return PanelUi::create(write, controller, widget, features);
}
void cleanup(LV2UI_Handle handle) { delete self(handle); }
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  self(handle)->portEvent(port, size, format, buffer);
}
int idle(LV2UI_Handle handle) { return self(handle)->idle(); }

const LV2UI_Idle_Interface kIdle = {idle};

const void* extensionData(const char* uri) {
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
  return nullptr;
}

const LV2UI_Descriptor kDescriptor = {velmora::lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}
