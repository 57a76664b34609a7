#pragma once
// The settings record of this run and its load and save through the registry key
// HKEY_LOCAL_MACHINE "Software\\Halvex\\Gravelon", value "Config" (REG_BINARY, 320 bytes).
#include <string>

#include "game/core/config/ConfigRecord.h"

namespace kes {

// The settings of this run, read by every part of the game.
extern ConfigRecord g_Config;

inline constexpr const char* kConfigKey = "Software\\Halvex\\Gravelon";
inline constexpr const char* kConfigValueName = "Config";

// The load steps: open or create the key (failure returns 0); take the stored record when it reads
// back whole (exactly 320 bytes, version 8), brought into range, else keep the defaults; write it back
// at once; the language becomes French (2) for this run. Returns 1.
int LoadConfigRecord();
// Why the last LoadConfigRecord could not open the settings (empty when it could): the settings file
// or its folder cannot be created or read.
const std::string& ConfigStoreError();

// The device, sound and set-up dialog steps that follow the load. They receive the caller's arguments
// and return what LoadConfigAndShowSetup returns. Out pointers may be null.
using SetupStepsFn = int (*)(const char* title, Guid* outDisplayDriver, Guid* outDevice3D, Guid* outSound,
                             int showDialog);
// Installs the set-up steps; returns the previous ones. Without any, the stored devices are kept: the
// out GUIDs receive the record's, the record is written once more and the result is 1.
SetupStepsFn SetSetupSteps(SetupStepsFn steps);

// Loads the settings and runs the set-up steps: 1 go on, 0 stop (no registry key, or set-up cancelled).
int LoadConfigAndShowSetup(const char* title, Guid* outDisplayDriver, Guid* outDevice3D, Guid* outSound,
                           int showDialog);

// Writes g_Config to the registry. False (and a note on standard error) when the write fails.
bool SaveConfig();

}  // namespace kes
