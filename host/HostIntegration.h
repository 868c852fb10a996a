// The host integration: reading the host's track settings and transport from the host itself,
// for the host builds of the build table. One state per process: whether it is on, which build
// runs, that build's row moved to where the executable is loaded, and the host's template of
// project documents. It is off until started, in a host not in the table, when the stored
// setting switches it off, and when the host's document template is missing; every caller then
// takes its fallback (the MIDI filter interface and the host's windows).
#pragma once

#include <string>

#include "host/HostBuildTable.h"
#include "platform/HostImage.h"
#include "platform/Prompt.h"

namespace velmora::host {

enum class IntegrationStart { kOn = 0, kNoMatch = -1, kNoTemplate = 1 };

// Starts the integration once per process; later calls give the first result. Looks the host's
// windows up, reads the "CWIntegration" setting under `applicationKey` (relative to
// HKEY_CURRENT_USER\Software; 0: off, nothing of the host is read), matches
// the running program against the build table, and finds the project document template; a
// missing template is told once through the integration's prompt (none: only traced), unless
// the image has no link to the host's internals to find one with (then it stays off quietly).
// [main-thread, not real-time safe]
IntegrationStart startHostIntegration(const std::string& applicationKey);
// Where the integration tells the user of a failed start (nullptr: nowhere). It must stay alive
// until replaced. [main-thread]
void setHostIntegrationPrompt(platform::Prompt* prompt);

// Whether the host integration is on. [any-thread, real-time safe]
bool hostIntegrationOn();
// The matched build row, relocated; only meaningful while the integration is on. [any-thread]
const HostBuild& hostBuild();
// The matched row's index in the table, -1 for none. [any-thread]
int hostBuildIndex();
// The host's project document template (0 while off). [any-thread]
platform::HostAddress hostDocumentTemplate();
// What the integration reads the host through. [any-thread]
platform::HostImage& hostImage();

// For tests: read the host through `image` (nullptr: the running process) and start again from
// "not started". [main-thread, before any engine exists]
void resetHostIntegration(platform::HostImage* image = nullptr);

}  // namespace velmora::host
