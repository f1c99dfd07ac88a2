#include "common/scratch_hkcu.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "keymap/store.h"

namespace runetest {

namespace {
std::atomic<int> g_counter{0};
}

ScratchHkcu::ScratchHkcu() {
    char name[96];
    std::snprintf(name, sizeof name, "Software\\RuneTests\\s-%lu-%lu-%d", GetCurrentProcessId(),
                  GetTickCount(), ++g_counter);
    path_ = name;
    // Start empty even if an earlier crashed run left the same name behind.
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    // A real profile always has HKCU\Software; the scratch one starts with it too.
    HKEY software = nullptr;
    if (RegCreateKeyExA(key, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &software,
                        nullptr) == ERROR_SUCCESS)
        RegCloseKey(software);
    if (RegOverridePredefKey(HKEY_CURRENT_USER, key) != ERROR_SUCCESS) {
        RegCloseKey(key);
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        return;
    }
    root_ = key;
}

ScratchHkcu::~ScratchHkcu() {
    if (!root_) return;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
}

bool KeyExists(HKEY parent, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void SetString(HKEY key, const char* name, const std::string& text, DWORD type, bool withNul) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + (withNul ? 1 : 0)));
}

bool GetString(HKEY key, const char* name, std::string& text, DWORD* type) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    text = buffer.data();
    return true;
}

std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        if (RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, len);
    }
    return names;
}

HKEY OpenKeyMappings(REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool FillKeyMappings(const std::map<int, std::string>& values) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    for (const auto& [name, text] : values) SetString(key, std::to_string(name).c_str(), text);
    RegCloseKey(key);
    return true;
}

bool FillKeyMappingsRun(const std::vector<std::string>& texts) {
    std::map<int, std::string> values;
    for (size_t i = 0; i < texts.size(); ++i) values[static_cast<int>(i)] = texts[i];
    return FillKeyMappings(values);
}

std::map<int, std::string> StoredKeyMappings() {
    std::map<int, std::string> values;
    HKEY key = OpenKeyMappings(KEY_READ);
    if (!key) return values;
    for (const std::string& name : ValueNames(key)) {
        std::string text;
        if (GetString(key, name.c_str(), text)) values[std::stoi(name)] = text;
    }
    RegCloseKey(key);
    return values;
}

}  // namespace runetest
