// The store against the real registry of the Wine prefix, redirected to a scratch key.
#include <gtest/gtest.h>

#include "keymap/keymapping.h"
#include "store_fixture.h"

namespace keymap {
namespace {

std::string KeyClass(HKEY parent, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char cls[64] = {};
    DWORD len = sizeof cls;
    LONG rc = RegQueryInfoKeyA(key, cls, &len, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(cls, len) : "<error>";
}

TEST_F(StoreTest, FirstLoadCreatesTheKeyPathAndYieldsNothing) {
    EXPECT_TRUE(Load().empty());
    for (const char* path : {"Software\\Quillmarsh", "Software\\Quillmarsh\\Hotrune",
                             "Software\\Quillmarsh\\Hotrune\\KeyMappings"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(runetest::KeyExists(HKEY_CURRENT_USER, path));
        EXPECT_EQ(KeyClass(HKEY_CURRENT_USER, path), "REG_SZ");
    }
    EXPECT_TRUE(Values().empty());
}

TEST_F(StoreTest, FirstAppendCreatesThePath) {
    EXPECT_EQ(Append("1 1 0 0 78 notepad"), StoreResult::Ok);
    EXPECT_EQ(Values(), (ValueMap{{"0", "1 1 0 0 78 notepad"}}));
}

TEST_F(StoreTest, LoadStopsAtTheFirstGap) {
    Fill({{"0", "1 1 0 0 78 notepad"}, {"1", "0 0 1 1 53 eject.cd.tray"}, {"3", "0 0 0 0 81 x"},
          {"other", "0 0 0 0 82 y"}});
    std::vector<LoadedRecord> seen;
    std::vector<std::string> texts;
    EXPECT_EQ(LoadAll([&](const LoadedRecord& r) {
                  seen.push_back(r);
                  texts.push_back(r.text);
                  return true;
              }),
              StoreResult::Ok);
    ASSERT_EQ(texts, (std::vector<std::string>{"1 1 0 0 78 notepad", "0 0 1 1 53 eject.cd.tray"}));
    EXPECT_EQ(seen[0].index, 0);
    EXPECT_EQ(seen[1].index, 1);
    EXPECT_TRUE(seen[1].wellFormed);
    EXPECT_EQ(seen[1].mapping.key, '5');
    EXPECT_STREQ(seen[1].mapping.target, "eject.cd.tray");
}

TEST_F(StoreTest, LoadEndsWhenTheVisitSaysSo) {
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"});
    int visits = 0;
    EXPECT_EQ(LoadAll([&](const LoadedRecord&) { return ++visits < 2; }), StoreResult::Ok);
    EXPECT_EQ(visits, 2);
}

TEST_F(StoreTest, RemoveAtClosesTheGapAndDeletesTheLastValue) {
    const std::vector<std::string> abc = {"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"};
    struct Case {
        int selected;
        ValueMap after;
    } cases[] = {
        {0, {{"0", abc[1]}, {"1", abc[2]}}},
        {1, {{"0", abc[0]}, {"1", abc[2]}}},
        {2, {{"0", abc[0]}, {"1", abc[1]}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        FillRun(abc);
        EXPECT_EQ(RemoveAt(c.selected), StoreResult::Ok);
        EXPECT_EQ(Values(), c.after);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmarsh");
    }
}

TEST_F(StoreTest, RemoveTheOnlyRecordLeavesAnEmptyKey) {
    FillRun({"0 0 0 0 65 a"});
    EXPECT_EQ(RemoveAt(0), StoreResult::Ok);
    EXPECT_TRUE(Values().empty());
    EXPECT_TRUE(Load().empty());
}

TEST_F(StoreTest, RemoveAtNeverTouchesValuesAfterTheRun) {
    Fill({{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 66 b"}, {"3", "0 0 0 0 68 d"}, {"x", "keep"}});
    EXPECT_EQ(RemoveAt(0), StoreResult::Ok);
    EXPECT_EQ(Values(), (ValueMap{{"0", "0 0 0 0 66 b"}, {"3", "0 0 0 0 68 d"}, {"x", "keep"}}));
}

TEST_F(StoreTest, AppendWritesExactlyOneValue) {
    Fill({{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 66 b"}, {"other", "untouched"}});
    int written = -1;
    EXPECT_EQ(Append("1 1 0 0 78 notepad", &written), StoreResult::Ok);
    EXPECT_EQ(written, 2);
    EXPECT_EQ(Values(), (ValueMap{{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 66 b"},
                                {"2", "1 1 0 0 78 notepad"}, {"other", "untouched"}}));
    // An ordinary NUL-terminated REG_SZ.
    HKEY key = runetest::OpenKeyMappings(KEY_READ);
    ASSERT_NE(key, nullptr);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "2", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, sizeof "1 1 0 0 78 notepad");
}

TEST_F(StoreTest, AppendedRecordsLoadBackInOrder) {
    std::vector<std::string> texts = {"1 1 0 0 78 notepad", "0 0 1 1 53 eject.cd.tray",
                                      "0 0 0 0 81 C:\\PROGRA~1\\TOOL.EXE", "1 1 1 1 96 standby"};
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(Append(texts[i].c_str()), StoreResult::Ok);
    EXPECT_EQ(Load(), texts);
}

// What a caller last read can be stale: the service or another Runeset may have changed the
// key since the last reload. The store works on the run as it is now, so no record may be
// hidden, lost or overwritten because of that.
TEST_F(StoreTest, StaleCountRemoveKeepsEveryOtherRecordOfTheRun) {
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c", "0 0 0 0 68 d"});
    EXPECT_EQ(RemoveAt(1), StoreResult::Ok);  // a caller that read two records removes b
    EXPECT_EQ(Load(), (std::vector<std::string>{"0 0 0 0 65 a", "0 0 0 0 67 c", "0 0 0 0 68 d"}));
    EXPECT_EQ(Values().size(), 3u);
}

TEST_F(StoreTest, StaleCountAppendOntoAnExistingValueGoesToTheEndOfTheRun) {
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"});
    int written = -1;
    EXPECT_EQ(Append("1 1 0 0 78 notepad", &written), StoreResult::Ok);
    EXPECT_EQ(written, 3);
    EXPECT_EQ(Load(), (std::vector<std::string>{"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c",
                                                "1 1 0 0 78 notepad"}));
}

TEST_F(StoreTest, StaleCountAppendBeyondAGapLandsAtTheEndOfTheRun) {
    Fill({{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 66 b"}});
    int written = -1;
    EXPECT_EQ(Append("1 1 0 0 78 notepad", &written), StoreResult::Ok);
    EXPECT_EQ(written, 2);
    EXPECT_EQ(Values(), (ValueMap{{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 66 b"},
                                {"2", "1 1 0 0 78 notepad"}}));
}

TEST_F(StoreTest, DataWithoutTerminatingNulReadsTheSame) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    runetest::SetString(key, "0", "1 1 0 0 78 notepad", REG_SZ, /*withNul=*/false);
    runetest::SetString(key, "1", "0 0 0 0 81 C:\\PROGRA~1\\TOOL.EXE", REG_SZ, /*withNul=*/true);
    RegCloseKey(key);
    EXPECT_EQ(Load(), (std::vector<std::string>{"1 1 0 0 78 notepad",
                                                "0 0 0 0 81 C:\\PROGRA~1\\TOOL.EXE"}));
    // And a move carries it over intact.
    EXPECT_EQ(RemoveAt(1), StoreResult::Ok);
    EXPECT_EQ(Values(), (ValueMap{{"0", "1 1 0 0 78 notepad"}}));
}

TEST_F(StoreTest, ValuesOfOtherTypesAreReadAsText) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD dword = 0x41424344;  // bytes "DCBA"
    RegSetValueExA(key, "0", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof dword);
    runetest::SetString(key, "1", "1 1 0 0 78 notepad", REG_EXPAND_SZ);
    const char multi[] = "0 0 0 0 65 a\0second\0";
    RegSetValueExA(key, "2", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
    RegSetValueExA(key, "3", 0, REG_BINARY, nullptr, 0);                 // empty data
    RegSetValueExA(key, "4", 0, REG_NONE, reinterpret_cast<const BYTE*>("\x01\xff"), 2);
    runetest::SetString(key, "5", "0 0 0 0 90 last");
    RegCloseKey(key);

    std::vector<LoadedRecord> records;
    std::vector<std::string> texts;
    EXPECT_EQ(LoadAll([&](const LoadedRecord& r) {
                  records.push_back(r);
                  texts.push_back(r.text);
                  return true;
              }),
              StoreResult::Ok);
    ASSERT_EQ(texts, (std::vector<std::string>{"DCBA", "1 1 0 0 78 notepad", "0 0 0 0 65 a", "",
                                               "\x01\xff", "0 0 0 0 90 last"}));
    const bool wellFormed[] = {false, true, true, false, false, true};
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(records[i].wellFormed, wellFormed[i]) << i;
}

// Values a hand edit or another program left: moving them down must not turn them into
// something else (another type, bytes after a NUL dropped).
TEST_F(StoreTest, MovesKeepEachValuesTypeAndBytes) {
    struct Raw {
        DWORD type;
        std::string bytes;
        bool operator==(const Raw& o) const { return type == o.type && bytes == o.bytes; }
    };
    const DWORD dword = 0x41;
    const std::vector<Raw> raws = {
        {REG_SZ, std::string("0 0 0 0 65 a", 13)},
        {REG_DWORD, std::string(reinterpret_cast<const char*>(&dword), sizeof dword)},
        {REG_SZ, std::string("1 1 0 0 78 notepad\0tail\0", 24)},
        {REG_MULTI_SZ, std::string("0 0 0 0 66 b\0second\0\0", 21)},
        {REG_EXPAND_SZ, std::string("0 0 0 0 67 %WINDIR%\\notepad.exe", 32)},
        {REG_BINARY, std::string("0 0 0 0 68 d")},  // no terminator
    };
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (size_t i = 0; i < raws.size(); ++i)
        RegSetValueExA(key, std::to_string(i).c_str(), 0, raws[i].type,
                       reinterpret_cast<const BYTE*>(raws[i].bytes.data()),
                       static_cast<DWORD>(raws[i].bytes.size()));
    ASSERT_EQ(RemoveAt(0), StoreResult::Ok);
    std::vector<Raw> left;
    for (size_t i = 0;; ++i) {
        DWORD type = 0, size = 0;
        const std::string name = std::to_string(i);
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string bytes(size, '\0');
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size);
        left.push_back({type, bytes});
    }
    RegCloseKey(key);
    EXPECT_TRUE(left == std::vector<Raw>(raws.begin() + 1, raws.end()));
}

// Another program removed or added records since the caller read its list: the caller's row
// index now names another record, which must not be the one removed.
TEST_F(StoreTest, RemovingARecordThatIsNoLongerAtItsIndexChangesNothing) {
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"});
    EXPECT_EQ(RemoveAt(1, "0 0 0 0 67 c"), StoreResult::RecordChanged);  // c is at 2
    EXPECT_EQ(RemoveAt(3, "0 0 0 0 67 c"), StoreResult::RecordChanged);  // no value 3
    EXPECT_EQ(Values(), (ValueMap{{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 66 b"}, {"2", "0 0 0 0 67 c"}}));
    EXPECT_EQ(RemoveAt(1, "0 0 0 0 66 b"), StoreResult::Ok);
    EXPECT_EQ(Values(), (ValueMap{{"0", "0 0 0 0 65 a"}, {"1", "0 0 0 0 67 c"}}));
}

TEST_F(StoreTest, MissingSoftwareKeyIsAStoreOpenFailure) {
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software"), ERROR_SUCCESS);
    ASSERT_FALSE(runetest::KeyExists(HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(LoadAll([](const LoadedRecord&) { return true; }), StoreResult::StoreOpenFailed);
    EXPECT_EQ(Append("0 0 0 0 65 a"), StoreResult::StoreOpenFailed);
    EXPECT_EQ(RemoveAt(0), StoreResult::StoreOpenFailed);
}

}  // namespace
}  // namespace keymap
