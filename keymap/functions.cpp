#include "keymap/functions.h"

#include <cstring>
#include <iterator>

namespace keymap {

namespace {

// Indexed by Function.
constexpr const char* kTokens[] = {
    "eject.cd.tray",   "close.cd.tray", "increase.volume", "decrease.volume", "start.screensaver",
    "notepad",         "wordpad",       "command",         "mspaint",         "regedit",
    "mplayer2",        "volume.control", "standby",        "power.off",       "shutdown",
    "reboot",          "log.off",
};
static_assert(std::size(kTokens) == kFunctionCount, "one token per function");
static_assert(static_cast<int>(Function::LogOff) == kFunctionCount - 1, "Function and kFunctionCount agree");

constexpr std::array<Function, kFunctionCount> MakeFunctions() {
    std::array<Function, kFunctionCount> all{};
    for (int i = 0; i < kFunctionCount; ++i) all[i] = static_cast<Function>(i);
    return all;
}

}  // namespace

const std::array<Function, kFunctionCount>& Functions() {
    static constexpr std::array<Function, kFunctionCount> all = MakeFunctions();
    return all;
}

const char* TokenOf(Function f) { return kTokens[static_cast<int>(f)]; }

std::optional<Function> FunctionOf(const char* target) {
    if (!target) return std::nullopt;
    for (int i = 0; i < kFunctionCount; ++i) {
        if (std::strcmp(kTokens[i], target) == 0) return static_cast<Function>(i);
    }
    return std::nullopt;
}

}  // namespace keymap
