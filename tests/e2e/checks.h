// The groups of end-to-end checks, one per subsystem.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

void CheckImage();
void CheckCommandLine();
void CheckDisplay();
void CheckMonitor();
void CheckLaunch();
void CheckResources();
void CheckPlantedDll(bool before);

}  // namespace e2e
