// What the store writes must be what other programs read: the service, and here the system's own
// reg.exe, a registry client that is not ours. This uses the Wine prefix's real HKEY_CURRENT_USER
// KeyMappings key (the test holds the desktop lock), saved first and put back afterwards.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"

namespace keymap {
namespace {

struct SavedValue {
    DWORD type;
    std::vector<BYTE> data;
};

// Saves the real KeyMappings key and restores it exactly (or removes it if it was not there).
class RealKeyMappings : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY key = runetest::OpenKeyMappings(KEY_READ);
        existed_ = key != nullptr;
        if (!key) return;
        for (const std::string& name : runetest::ValueNames(key)) {
            DWORD type = 0, size = 0;
            RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
            SavedValue v{type, std::vector<BYTE>(size)};
            RegQueryValueExA(key, name.c_str(), nullptr, &type, v.data.data(), &size);
            saved_[name] = v;
        }
        RegCloseKey(key);
        Clear();
    }
    void TearDown() override {
        Clear();
        if (!existed_) {
            RegDeleteKeyA(HKEY_CURRENT_USER, kKeyMappingsPath);
            return;
        }
        HKEY key = runetest::OpenKeyMappings();
        ASSERT_NE(key, nullptr);
        for (const auto& [name, v] : saved_)
            RegSetValueExA(key, name.c_str(), 0, v.type, v.data.data(),
                           static_cast<DWORD>(v.data.size()));
        RegCloseKey(key);
    }
    // Removes every value of the real key.
    void Clear() {
        HKEY key = runetest::OpenKeyMappings();
        if (!key) return;
        for (const std::string& name : runetest::ValueNames(key)) RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }

    bool existed_ = false;
    std::map<std::string, SavedValue> saved_;
};

struct Listed {
    std::string type;
    std::string data;
};

// Parses reg.exe's listing: "    <name>    <type>    <data>" per value.
std::map<std::string, Listed> ParseRegQuery(const std::string& output) {
    std::map<std::string, Listed> values;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("    ", 0) != 0) continue;  // the key's own path line, blank lines
        const std::string sep = "    ";
        size_t a = line.find_first_not_of(' ');
        size_t b = line.find(sep, a);
        if (b == std::string::npos) continue;
        size_t c = line.find(sep, b + sep.size());
        std::string name = line.substr(a, b - a);
        std::string type = line.substr(b + sep.size(), c == std::string::npos ? std::string::npos
                                                                              : c - b - sep.size());
        std::string data = c == std::string::npos ? "" : line.substr(c + sep.size());
        values[name] = {type, data};
    }
    return values;
}

TEST_F(RealKeyMappings, AppendedRecordsReadBackIdenticallyThroughRegExe) {
    const std::vector<std::string> texts = {
        "1 1 0 0 78 notepad", "0 0 1 1 53 eject.cd.tray", "0 0 0 0 81 C:\\PROGRA~1\\TOOL.EXE",
        "1 1 1 1 96 standby", "1 0 0 0 -23 C:\\" + std::string(240, 'X'),
    };
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(Append(texts[i].c_str()), StoreResult::Ok);

    runetest::RunResult r =
        runetest::RunProcess("reg.exe query \"HKCU\\Software\\Quillmarsh\\Hotrune\\KeyMappings\"", 60000,
                      /*captureStdout=*/true);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    std::map<std::string, Listed> listed = ParseRegQuery(r.output);
    ASSERT_EQ(listed.size(), texts.size()) << r.output;
    for (size_t i = 0; i < texts.size(); ++i) {
        const Listed& v = listed[std::to_string(i)];
        EXPECT_EQ(v.type, "REG_SZ") << i;
        EXPECT_EQ(v.data, texts[i]) << i;
    }
}

TEST_F(RealKeyMappings, RemovalIsSeenByRegExe) {
    for (const char* text : {"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"})
        ASSERT_EQ(Append(text), StoreResult::Ok);
    ASSERT_EQ(RemoveAt(1), StoreResult::Ok);
    runetest::RunResult r = runetest::RunProcess(
        "reg.exe query \"HKCU\\Software\\Quillmarsh\\Hotrune\\KeyMappings\"", 60000, true);
    ASSERT_TRUE(r.finished);
    std::map<std::string, Listed> listed = ParseRegQuery(r.output);
    ASSERT_EQ(listed.size(), 2u) << r.output;
    EXPECT_EQ(listed["0"].data, "0 0 0 0 65 a");
    EXPECT_EQ(listed["1"].data, "0 0 0 0 67 c");
}

}  // namespace
}  // namespace keymap
