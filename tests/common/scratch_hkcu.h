// Redirects HKEY_CURRENT_USER of this process onto a fresh, empty scratch key, so that code which
// opens HKEY_CURRENT_USER\... runs unchanged against a throwaway corner of the real registry.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace runetest {

// While alive, every HKEY_CURRENT_USER path opened by this process lands below
// HKCU\Software\RuneTests\<unique name> of the real hive (RegOverridePredefKey), which starts
// holding only an empty "Software" key, as a new user profile would. The destructor
// restores HKEY_CURRENT_USER and deletes the scratch key with everything below it.
// One at a time per process. Move-only in spirit: neither copyable nor movable.
class ScratchHkcu {
public:
    ScratchHkcu();
    ~ScratchHkcu();
    ScratchHkcu(const ScratchHkcu&) = delete;
    ScratchHkcu& operator=(const ScratchHkcu&) = delete;

    // The scratch key itself (what HKEY_CURRENT_USER now means); owned by this object.
    HKEY root() const { return root_; }
    // Its path below the real HKEY_CURRENT_USER, e.g. "Software\\RuneTests\\s-123-1".
    const std::string& realPath() const { return path_; }
    bool ok() const { return root_ != nullptr; }

private:
    HKEY root_ = nullptr;
    std::string path_;
};

// GoogleTest fixture: a fresh scratch HKEY_CURRENT_USER around every test.
class ScratchHkcuTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch_.ok()) << "could not create the scratch HKCU key"; }
    ScratchHkcu scratch_;
};

// Small registry conveniences for tests, on any open key.
bool KeyExists(HKEY parent, const char* path);
// Writes a string value; `withNul` false stores the text without its terminating NUL.
void SetString(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ,
               bool withNul = true);
// Reads a value's bytes as text (up to the first NUL); false when it is missing.
bool GetString(HKEY key, const char* name, std::string& text, DWORD* type = nullptr);
// The names of all values of `key`, in the order the registry enumerates them.
std::vector<std::string> ValueNames(HKEY key);
// Opens (without creating) HKCU\Software\Quillmarsh\Hotrune\KeyMappings of the current
// HKEY_CURRENT_USER, nullptr when absent. The caller closes it.
HKEY OpenKeyMappings(REGSAM access = KEY_ALL_ACCESS);
// Writes REG_SZ values named by the map's keys into the KeyMappings key of the current
// HKEY_CURRENT_USER, creating the key path first; false when it could not be created.
bool FillKeyMappings(const std::map<int, std::string>& values);
// The same for the run of values 0 .. texts.size()-1.
bool FillKeyMappingsRun(const std::vector<std::string>& texts);
// Every value of the KeyMappings key whose name is a number, by that number.
std::map<int, std::string> StoredKeyMappings();

}  // namespace runetest
