#pragma once
// The edit lock: a password of at most 19 characters kept bit-inverted in the world's "-*.." chunk.
// Opening a locked world asks for it; a wrong answer refuses the world.
#include <cstdint>
#include <string>

#include "plugins/shared/PluginBase.h"

namespace qv {

inline constexpr uint32_t kPasswordLength = 19;
inline constexpr uint32_t kPasswordChunkBytes = 25;

class PasswordPlugin final : public PluginBase {
public:
    PasswordPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;

    const std::string& password() const { return password_; }
    // Keeps the first 19 characters; a character 255 (stored as the terminator) ends the password.
    void SetPassword(const std::string& text);

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    bool AskPassword();
    std::string password_;
};

}  // namespace qv
