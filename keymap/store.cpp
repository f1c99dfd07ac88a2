#include "keymap/store.h"

#include <cstdio>
#include <string>
#include <vector>

#include "keymap/registry.h"

namespace keymap {

const char kKeyMappingsPath[] = "Software\\Quillmarsh\\Hotrune\\KeyMappings";

namespace {

// Software is opened read-only; the three keys below it are created on first use.
UniqueHKey OpenStore() {
    RegistryCalls& reg = Registry();
    UniqueHKey software;
    reg.openKey(HKEY_CURRENT_USER, "Software", 0, KEY_READ, software.put());
    if (!software) return UniqueHKey();
    UniqueHKey parent = std::move(software);
    for (const char* name : {"Quillmarsh", "Hotrune", "KeyMappings"}) {
        UniqueHKey child;
        char keyClass[] = "REG_SZ";
        if (reg.createKey(parent.get(), name, 0, keyClass, 0, KEY_ALL_ACCESS, nullptr,
                          child.put(), nullptr) != ERROR_SUCCESS) {
            return UniqueHKey();
        }
        parent = std::move(child);
    }
    return parent;
}

std::string ValueName(int index) { return std::to_string(index); }

enum class Read { Ok, Missing, Failed };

// Size query, then data query into a buffer of that size plus a terminator, so that data
// stored with or without its NUL reads the same. The type is not examined.
Read ReadValue(HKEY key, int index, std::string& text) {
    RegistryCalls& reg = Registry();
    const std::string name = ValueName(index);
    DWORD size = 0;
    LONG rc = reg.queryValue(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return Read::Missing;
    if (rc != ERROR_SUCCESS) return Read::Failed;
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    rc = reg.queryValue(key, name.c_str(), nullptr, nullptr,
                        reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (rc != ERROR_SUCCESS) return Read::Failed;
    if (got > size) got = size;
    text.assign(buffer.data(), strnlen(buffer.data(), got));
    return Read::Ok;
}

Read ValueExists(HKEY key, int index) {
    DWORD size = 0;
    LONG rc = Registry().queryValue(key, ValueName(index).c_str(), nullptr, nullptr, nullptr,
                                    &size);
    if (rc == ERROR_SUCCESS) return Read::Ok;
    return rc == ERROR_FILE_NOT_FOUND ? Read::Missing : Read::Failed;
}

bool WriteValue(HKEY key, int index, const std::string& text) {
    return Registry().setValue(key, ValueName(index).c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace

StoreResult LoadAll(const LoadVisit& visit) {
    UniqueHKey key = OpenStore();
    if (!key) return StoreResult::StoreOpenFailed;
    std::string text;
    for (int i = 0; i >= 0; ++i) {
        if (ReadValue(key.get(), i, text) != Read::Ok) break;
        LoadedRecord record{i, text.c_str(), KeyMapping{}, false};
        record.wellFormed = ParseRecordText(text.c_str(), record.mapping);
        if (!visit(record)) break;
    }
    return StoreResult::Ok;
}

StoreResult Append(const char* recordText, int index, int* writtenIndex) {
    UniqueHKey key = OpenStore();
    if (!key) return StoreResult::StoreOpenFailed;
    // The end of the run decides; `index` only names where the caller believes it is.
    int end = 0;
    for (;; ++end) {
        Read r = ValueExists(key.get(), end);
        if (r == Read::Missing) break;
        if (r == Read::Failed) return StoreResult::WriteFailed;
    }
    (void)index;
    if (!WriteValue(key.get(), end, recordText ? recordText : "")) return StoreResult::WriteFailed;
    if (writtenIndex) *writtenIndex = end;
    return StoreResult::Ok;
}

StoreResult RemoveAt(int selected, int count) {
    (void)count;  // the run in the registry decides how far records move
    UniqueHKey key = OpenStore();
    if (!key) return StoreResult::StoreOpenFailed;
    if (selected < 0) return StoreResult::DeleteFailed;
    int last = selected;
    std::string text;
    for (;;) {
        Read r = ReadValue(key.get(), last + 1, text);
        if (r == Read::Missing) break;  // the ordinary end of the run
        if (r == Read::Failed || !WriteValue(key.get(), last, text)) return StoreResult::MoveFailed;
        ++last;
    }
    if (Registry().deleteValue(key.get(), ValueName(last).c_str()) != ERROR_SUCCESS)
        return StoreResult::DeleteFailed;
    return StoreResult::Ok;
}

}  // namespace keymap
