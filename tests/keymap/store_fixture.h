// A scratch HKEY_CURRENT_USER with helpers to fill and inspect the KeyMappings key directly,
// bypassing the store under test.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/scratch_hkcu.h"
#include "keymap/store.h"

namespace keymap {

class StoreTest : public runetest::ScratchHkcuTest {
protected:
    // Creates the key path (as a real earlier run would have) and writes `values` by name.
    void Fill(const std::map<std::string, std::string>& values) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyMappingsPath, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const auto& [name, text] : values) runetest::SetString(key, name.c_str(), text);
        RegCloseKey(key);
    }
    // Values 0 .. n-1 holding the given texts.
    void FillRun(const std::vector<std::string>& texts) {
        std::map<std::string, std::string> values;
        for (size_t i = 0; i < texts.size(); ++i) values[std::to_string(i)] = texts[i];
        Fill(values);
    }
    // Every value of the key, by name (types other than text read as their bytes).
    std::map<std::string, std::string> Values() {
        std::map<std::string, std::string> values;
        HKEY key = runetest::OpenKeyMappings(KEY_READ);
        if (!key) return values;
        for (const std::string& name : runetest::ValueNames(key)) {
            std::string text;
            runetest::GetString(key, name.c_str(), text);
            values[name] = text;
        }
        RegCloseKey(key);
        return values;
    }
    // What LoadAll hands out, in order; fails the test unless it reports Ok and visits 0, 1, ...
    std::vector<std::string> Load() {
        std::vector<std::string> texts;
        StoreResult r = LoadAll([&](const LoadedRecord& rec) {
            EXPECT_EQ(rec.index, static_cast<int>(texts.size()));
            texts.push_back(rec.text);
            return true;
        });
        EXPECT_EQ(r, StoreResult::Ok);
        return texts;
    }
};

using ValueMap = std::map<std::string, std::string>;

}  // namespace keymap
