// The plug-in's C entry points: the descriptor and the worker and state interfaces, each a thin
// forward to the instance.
#include <lv2/core/lv2.h>

#include <cstring>

#include "lv2/TamborakLv2.h"

namespace {

using velmora::lv2::Plugin;

Plugin* self(LV2_Handle instance) { return static_cast<Plugin*>(instance); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  return Plugin::create(rate, features);
}
void connectPort(LV2_Handle instance, uint32_t port, void* data) { self(instance)->connectPort(port, data); }
void activate(LV2_Handle instance) { self(instance)->activate(); }
void run(LV2_Handle instance, uint32_t frames) { self(instance)->run(frames); }
void deactivate(LV2_Handle instance) { self(instance)->deactivate(); }
void cleanup(LV2_Handle instance) { delete self(instance); }

LV2_Worker_Status work(LV2_Handle instance, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data) {
  return self(instance)->work(respond, handle, size, data);
}
LV2_Worker_Status workResponse(LV2_Handle instance, uint32_t size, const void* data) {
  return self(instance)->workResponse(size, data);
}
LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*) {
  return self(instance)->save(store, handle);
}
LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                         const LV2_Feature* const*) {
  return self(instance)->restore(retrieve, handle);
}

const LV2_Worker_Interface kWorker = {work, workResponse, nullptr};
const LV2_State_Interface kState = {save, restore};

const void* extensionData(const char* uri) {
  if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &kWorker;
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &kState;
  return nullptr;
}

const LV2_Descriptor kDescriptor = {velmora::lv2::kPluginUri, instantiate, connectPort, activate, run,
                                    deactivate, cleanup, extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}
