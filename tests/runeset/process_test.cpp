// runeset.exe as a real process on the test prefix's real KeyMappings key (saved first and put
// back afterwards): pressed from outside, Shutdown tells the service to quit and ends Runeset
// with status 0; Done just ends it.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/desktop.h"
#include "common/listener.h"
#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"
#include "runeset/resource.h"

namespace {

struct SavedValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

// Saves the real KeyMappings key (and which of its parents existed) and puts it back as it
// was when destroyed, whatever the test or Runeset did to it meanwhile.
class RealStoreBackup {
public:
    RealStoreBackup() {
        hadQuillmarsh_ = runetest::KeyExists(HKEY_CURRENT_USER, "Software\\Quillmarsh");
        hadHotrune_ = runetest::KeyExists(HKEY_CURRENT_USER, "Software\\Quillmarsh\\Hotrune");
        HKEY key = runetest::OpenKeyMappings(KEY_READ);
        hadKey_ = key != nullptr;
        if (!key) return;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD nameSize = sizeof name, type = 0, dataSize = 0;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
                break;
            SavedValue value{name, type, std::vector<BYTE>(dataSize)};
            DWORD size = dataSize;
            RegQueryValueExA(key, name, nullptr, nullptr, value.data.data(), &size);
            saved_.push_back(value);
        }
        RegCloseKey(key);
    }
    ~RealStoreBackup() {
        RegDeleteTreeA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath);
        if (hadKey_) {
            HKEY key = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr);
            for (const SavedValue& v : saved_)
                RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
            RegCloseKey(key);
            return;
        }
        if (!hadHotrune_) RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmarsh\\Hotrune");
        if (!hadQuillmarsh_) RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmarsh");
    }
    RealStoreBackup(const RealStoreBackup&) = delete;
    RealStoreBackup& operator=(const RealStoreBackup&) = delete;

    // Replaces the key's values by `texts`, named 0, 1, ...
    static void Fill(const std::vector<std::string>& texts) {
        RegDeleteTreeA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (size_t i = 0; i < texts.size(); ++i) runetest::SetString(key, std::to_string(i).c_str(), texts[i]);
        RegCloseKey(key);
    }
    static std::vector<std::string> Stored() {
        std::vector<std::string> texts;
        HKEY key = runetest::OpenKeyMappings(KEY_READ);
        if (!key) return texts;
        std::string text;
        while (runetest::GetString(key, std::to_string(texts.size()).c_str(), text)) texts.push_back(text);
        RegCloseKey(key);
        return texts;
    }

private:
    bool hadQuillmarsh_ = false, hadHotrune_ = false, hadKey_ = false;
    std::vector<SavedValue> saved_;
};

// The visible main window of process `pid`, waiting up to 20 s.
HWND RunesetWindow(DWORD pid) {
    ULONGLONG end = runetest::NowMs() + 20000;
    do {
        for (const runetest::TopWindow& w : runetest::TopLevelWindows()) {
            if (w.pid == pid && w.visible && w.className == "#32770" && w.title == " Runeset v1.0") return w.hwnd;
        }
        Sleep(50);
    } while (runetest::NowMs() < end);
    return nullptr;
}

class RunesetProcessTest : public ::testing::Test {
protected:
    RealStoreBackup backup_;
};

TEST_F(RunesetProcessTest, ShutdownPressedFromOutsideQuitsTheServiceAndEndsWithStatusZero) {
    const std::vector<std::string> texts = {"1 1 0 0 78 notepad", "0 0 1 1 53 eject.cd.tray"};
    RealStoreBackup::Fill(texts);
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());

    runetest::Process runeset(runetest::Quote(runetest::SiblingExe("runeset.exe")));
    ASSERT_TRUE(runeset.started());
    HWND main = RunesetWindow(runeset.pid());
    ASSERT_NE(main, nullptr) << "Runeset's window did not appear";
    HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);

    PostMessageA(GetDlgItem(main, IDC_SHUTDOWN), BM_CLICK, 0, 0);
    DWORD status = 1234;
    ASSERT_TRUE(runeset.Wait(15000, &status)) << "Runeset did not end";
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(listener.WaitForCount("WM_QUIT_HOTRUNE", 1, 5000));
    EXPECT_EQ(listener.Count("WM_QUIT_HOTRUNE"), 1);
    EXPECT_EQ(listener.Count("WM_RELOADMAPPINGS"), 0);
    EXPECT_EQ(RealStoreBackup::Stored(), texts);
}

TEST_F(RunesetProcessTest, DoneEndsRunesetWithoutABroadcast) {
    RealStoreBackup::Fill({"1 1 0 0 78 notepad"});
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());

    runetest::Process runeset(runetest::Quote(runetest::SiblingExe("runeset.exe")));
    ASSERT_TRUE(runeset.started());
    HWND main = RunesetWindow(runeset.pid());
    ASSERT_NE(main, nullptr) << "Runeset's window did not appear";

    PostMessageA(GetDlgItem(main, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(runeset.Wait(15000)) << "Runeset did not end";
    ASSERT_TRUE(listener.Sync());
    EXPECT_TRUE(listener.Messages().empty());
}

}  // namespace
