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

// One value exactly as stored: its type and its bytes (terminator, if any, included).
struct RawValue {
    DWORD type = REG_SZ;
    std::string bytes;
    // The record text: the bytes up to the first NUL, so that data stored with or without its
    // terminator reads the same. The type is not examined.
    std::string Text() const { return bytes.substr(0, strnlen(bytes.c_str(), bytes.size())); }
};

// Large enough for any record text Runeset writes (five numbers and a 255-byte target), so
// that a value is read with one query; the service reads the whole store at every reload.
constexpr DWORD kRecordBuffer = 512;

// One data query; a larger value (written by hand or by another program) is asked again at
// the size the answer gave, and again if it grew meanwhile.
Read ReadValue(HKEY key, int index, RawValue& value) {
    RegistryCalls& reg = Registry();
    const std::string name = ValueName(index);
    // One byte more than the query may fill, so that the text always ends within the buffer.
    std::vector<char> buffer(kRecordBuffer + 1, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD got = static_cast<DWORD>(buffer.size() - 1);
        DWORD type = REG_NONE;
        const LONG rc = reg.queryValue(key, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_FILE_NOT_FOUND) return Read::Missing;
        if (rc == ERROR_MORE_DATA) {
            buffer.assign(static_cast<size_t>(got) + 1, '\0');
            continue;
        }
        if (rc != ERROR_SUCCESS) return Read::Failed;
        if (got > buffer.size() - 1) got = static_cast<DWORD>(buffer.size() - 1);
        value.type = type;
        value.bytes.assign(buffer.data(), got);
        return Read::Ok;
    }
    return Read::Failed;  // still growing: not a value to act on now
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

// A record moves as it is stored, type and bytes alike: a value written by hand or by another
// program (other types, bytes after a NUL) must not lose anything on its way down.
bool WriteValue(HKEY key, int index, const RawValue& value) {
    return Registry().setValue(key, ValueName(index).c_str(), 0, value.type,
                               reinterpret_cast<const BYTE*>(value.bytes.data()),
                               static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS;
}

}  // namespace

namespace {

StoreResult VisitRecords(HKEY key, const LoadVisit& visit) {
    RawValue value;
    for (int i = 0; i >= 0; ++i) {
        const Read r = ReadValue(key, i, value);
        if (r == Read::Missing) break;  // the ordinary end of the run
        // A value that is there but cannot be read: the records after it are unknown, so the
        // caller must not take what it has seen for the whole store.
        if (r == Read::Failed) return StoreResult::ReadFailed;
        const std::string text = value.Text();
        LoadedRecord record{i, text.c_str(), KeyMapping{}, false};
        record.wellFormed = ParseRecordText(text.c_str(), record.mapping);
        if (!visit(record)) break;
    }
    return StoreResult::Ok;
}

}  // namespace

StoreResult LoadAll(const LoadVisit& visit) {
    UniqueHKey key = OpenStore();
    if (!key) return StoreResult::StoreOpenFailed;
    return VisitRecords(key.get(), visit);
}

StoreResult LoadAllReadOnly(const LoadVisit& visit) {
    UniqueHKey key;
    const LONG rc = Registry().openKey(HKEY_CURRENT_USER, kKeyMappingsPath, 0, KEY_READ, key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return StoreResult::Ok;  // no shortcuts saved yet
    if (rc != ERROR_SUCCESS || !key) return StoreResult::StoreOpenFailed;
    return VisitRecords(key.get(), visit);
}

StoreResult Append(const char* recordText, int* writtenIndex) {
    UniqueHKey key = OpenStore();
    if (!key) return StoreResult::StoreOpenFailed;
    // The end of the run decides.
    int end = 0;
    for (;; ++end) {
        Read r = ValueExists(key.get(), end);
        if (r == Read::Missing) break;
        if (r == Read::Failed) return StoreResult::WriteFailed;
    }
    if (!WriteValue(key.get(), end, recordText ? recordText : "")) return StoreResult::WriteFailed;
    if (writtenIndex) *writtenIndex = end;
    return StoreResult::Ok;
}

StoreResult RemoveAt(int selected, const char* expectedText) {
    // The run in the registry decides how far records move.
    UniqueHKey key = OpenStore();
    if (!key) return StoreResult::StoreOpenFailed;
    if (selected < 0) return StoreResult::DeleteFailed;
    RawValue value;
    const Read first = ReadValue(key.get(), selected, value);
    if (first == Read::Failed) return StoreResult::MoveFailed;
    // Another program may have changed the store since the caller's list was read: remove
    // the record the user chose, never whatever now sits at its old index.
    if (expectedText && (first == Read::Missing || value.Text() != expectedText))
        return StoreResult::RecordChanged;
    // Past the end of the run there is no record to remove (and values after a gap stay put).
    if (first == Read::Missing) return StoreResult::DeleteFailed;
    // The values from `selected` on as they were: a removal that cannot finish puts them back,
    // so that it leaves no record twice and none half moved.
    std::vector<RawValue> original{value};
    int last = selected;
    auto restore = [&] {
        for (int i = last - 1; i >= selected; --i)
            WriteValue(key.get(), i, original[static_cast<size_t>(i - selected)]);
    };
    for (;;) {
        Read r = ReadValue(key.get(), last + 1, value);
        if (r == Read::Missing) break;  // the ordinary end of the run
        if (r == Read::Failed || !WriteValue(key.get(), last, value)) {
            restore();
            return StoreResult::MoveFailed;
        }
        original.push_back(value);
        ++last;
    }
    if (Registry().deleteValue(key.get(), ValueName(last).c_str()) != ERROR_SUCCESS) {
        restore();
        return StoreResult::DeleteFailed;
    }
    return StoreResult::Ok;
}

}  // namespace keymap
