#include "reliability.h"

#include <cstdio>

#include "keymap/store.h"

namespace reliability {

RawValue Sz(const std::string& text) {
    RawValue v;
    v.type = REG_SZ;
    v.bytes = text;
    v.bytes.push_back('\0');
    return v;
}

RawValues RunOf(const std::vector<std::string>& texts) {
    RawValues values;
    for (size_t i = 0; i < texts.size(); ++i) values[std::to_string(i)] = Sz(texts[i]);
    return values;
}

std::vector<std::string> RunTexts(const RawValues& values) {
    std::vector<std::string> texts;
    for (;;) {
        auto it = values.find(std::to_string(texts.size()));
        if (it == values.end()) break;
        const std::string& b = it->second.bytes;
        texts.push_back(b.substr(0, b.find('\0')));
    }
    return texts;
}

RawValues Snapshot() {
    RawValues values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    std::vector<char> name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG rc = RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            data.resize(size + 16);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        values[std::string(name.data(), nameLen)] =
            RawValue{type, std::string(reinterpret_cast<const char*>(data.data()), size)};
    }
    RegCloseKey(key);
    return values;
}

bool Replace(const RawValues& values) {
    RegDeleteTreeA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& [name, v] : values) {
        ok = RegSetValueExA(key, name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.bytes.data()),
                            static_cast<DWORD>(v.bytes.size())) == ERROR_SUCCESS && ok;
    }
    RegCloseKey(key);
    return ok;
}

void Figure(const std::string& area, const std::string& item, long long tried, long long violations,
            const std::string& note) {
    std::printf("RELIABILITY|%s|%s|%lld|%lld|%s\n", area.c_str(), item.c_str(), tried, violations,
                note.c_str());
    std::fflush(stdout);
}

}  // namespace reliability
