#include "hotkey_holder.h"

#include <string>

#include "common/desktop.h"

namespace wizardtest {

namespace {

std::string HolderCommand(UINT modifiers, UINT vk) {
    return runetest::Quote(runetest::SiblingExe("rune_hotkey_holder.exe")) + " --modifiers " +
           std::to_string(modifiers) + " --vk " + std::to_string(vk);
}

}  // namespace

HotkeyHolder::HotkeyHolder(UINT modifiers, UINT vk) {
    const std::string readyName = runetest::UniqueName("rune-holder-ready");
    const std::string releaseName = runetest::UniqueName("rune-holder-release");
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
    if (!ready || !release_) {
        if (ready) CloseHandle(ready);
        return;
    }
    process_ = runetest::Process(HolderCommand(modifiers, vk) + " --ready-event " + readyName +
                                 " --release-event " + releaseName);
    holding_ = process_.started() && runetest::WaitForEvent(ready, process_, 20000);
    CloseHandle(ready);
}

HotkeyHolder::~HotkeyHolder() {
    Release();
    if (release_) CloseHandle(release_);
}

bool HotkeyHolder::Release() {
    if (!process_.started()) return false;
    if (release_) SetEvent(release_);
    DWORD status = 1;
    const bool ended = process_.Wait(10000, &status);
    holding_ = false;
    return ended && status == 0;
}

DWORD TryRegisterElsewhere(UINT modifiers, UINT vk) {
    const runetest::RunResult run = runetest::RunProcess(HolderCommand(modifiers, vk) + " --try", 20000);
    return run.started && run.finished ? run.exitCode : 1;
}

}  // namespace wizardtest
