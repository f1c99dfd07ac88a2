// rune_second_writer.exe: another program writing the same store, for the model-based sequences.
// It points its own HKEY_CURRENT_USER at a test's scratch key (RegOverridePredefKey), does one
// store operation through keymap/ as Runeset would, and ends.
//   rune_second_writer.exe <scratch key path below HKCU> append <record text>
//   rune_second_writer.exe <scratch key path below HKCU> remove <index>
// Prints "ok <index>" (the value written, or the record removed) or "failed <result>"; exit
// status 0 on success, 1 on a store failure, 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "keymap/store.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: rune_second_writer <key> append <text> | remove <index>\n");
        return 2;
    }
    HKEY scratch = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, argv[1], 0, KEY_ALL_ACCESS, &scratch) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, scratch) != ERROR_SUCCESS) {
        std::printf("failed open\n");
        return 1;
    }
    const std::string op = argv[2];
    keymap::StoreResult result = keymap::StoreResult::Ok;
    int index = -1;
    if (op == "append") {
        result = keymap::Append(argv[3], &index);
    } else if (op == "remove") {
        // As a user of this program would: read the list, then remove the row chosen in it.
        index = std::atoi(argv[3]);
        std::vector<std::string> texts;
        result = keymap::LoadAll([&](const keymap::LoadedRecord& r) {
            texts.push_back(r.text);
            return true;
        });
        if (result == keymap::StoreResult::Ok) {
            if (index < 0 || index >= static_cast<int>(texts.size())) return 2;
            result = keymap::RemoveAt(index, texts[static_cast<size_t>(index)].c_str());
        }
    } else {
        return 2;
    }
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratch);
    if (result != keymap::StoreResult::Ok) {
        std::printf("failed %d\n", static_cast<int>(result));
        return 1;
    }
    std::printf("ok %d\n", index);
    return 0;
}
