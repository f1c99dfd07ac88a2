// The built-in functions a record's target can name instead of a program, and the token each
// is stored as. This is the one list of tokens: Runeset's tree and the service's actions both
// key on Function. To add a function, add it here, give it a tree node in Runeset's catalogue
// and an action in the service.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace keymap {

enum class Function {
    EjectCdTray,
    CloseCdTray,
    IncreaseVolume,
    DecreaseVolume,
    StartScreenSaver,
    Notepad,
    Wordpad,
    CommandPrompt,
    Paint,
    RegistryEditor,
    MediaPlayer,
    VolumeControl,
    Standby,
    PowerOff,
    Shutdown,
    Reboot,
    LogOff,
};

constexpr int kFunctionCount = 17;

// Every function, in declaration order.
const std::array<Function, kFunctionCount>& Functions();
// The token stored as a record's target for `f`: lower case, without spaces.
const char* TokenOf(Function f);
// The function whose token equals `target` exactly (case-sensitive); none for anything else,
// a null pointer included.
std::optional<Function> FunctionOf(const char* target);
inline std::optional<Function> FunctionOf(const std::string& target) {
    return FunctionOf(target.c_str());
}

}  // namespace keymap
