#include "game/core/config/Config.h"

#include <cstdio>

#include "platform/registry/RegistryStore.h"

namespace kes {

ConfigRecord g_Config;

namespace {

SetupStepsFn g_setupSteps = nullptr;
std::string g_storeError;

std::string ConfigKeyPath() { return plat::RegKeyPath(plat::kHKeyLocalMachine, kConfigKey); }

bool WriteConfig(plat::RegistryStore& store) {
    ConfigBytes bytes = SerializeConfigRecord(g_Config);
    if (store.SetValue(ConfigKeyPath(), kConfigValueName, plat::REG_BINARY, bytes) == plat::RegStatus::Ok)
        return true;
    std::fprintf(stderr, "The settings could not be saved: %s\n", store.LastError().c_str());
    return false;
}

// Without device enumeration the stored choice stands.
int KeepStoredDevices(const char*, Guid* outDisplayDriver, Guid* outDevice3D, Guid* outSound, int) {
    if (outDisplayDriver) *outDisplayDriver = g_Config.displayDriver;
    if (outDevice3D) *outDevice3D = g_Config.device3D;
    if (outSound) *outSound = g_Config.soundDevice;
    SaveConfig();
    return 1;
}

}  // namespace

const std::string& ConfigStoreError() { return g_storeError; }

int LoadConfigRecord() {
    plat::RegistryStore store = plat::RegistryStore::Default();
    g_storeError.clear();
    if (store.CreateKey(ConfigKeyPath()) != plat::RegStatus::Ok) {
        g_storeError = store.LastError().empty() ? store.File() : store.LastError();
        std::fprintf(stderr, "The settings key cannot be opened: %s\n", g_storeError.c_str());
        return 0;
    }
    plat::RegValue stored;
    if (store.QueryValue(ConfigKeyPath(), kConfigValueName, stored) == plat::RegStatus::Ok) {
        ConfigRecord loaded;
        if (ParseConfigRecord(stored.data, loaded)) {
            ClampConfigRecord(loaded);
            g_Config = loaded;
        }
    }
    WriteConfig(store);
    g_Config.language = 2;
    return 1;
}

SetupStepsFn SetSetupSteps(SetupStepsFn steps) {
    SetupStepsFn previous = g_setupSteps;
    g_setupSteps = steps;
    return previous;
}

int LoadConfigAndShowSetup(const char* title, Guid* outDisplayDriver, Guid* outDevice3D, Guid* outSound,
                           int showDialog) {
    if (!LoadConfigRecord()) return 0;
    SetupStepsFn steps = g_setupSteps ? g_setupSteps : KeepStoredDevices;
    return steps(title, outDisplayDriver, outDevice3D, outSound, showDialog);
}

bool SaveConfig() {
    plat::RegistryStore store = plat::RegistryStore::Default();
    return WriteConfig(store);
}

}  // namespace kes
