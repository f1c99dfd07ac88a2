#include "reliability.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
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

// ---- resources --------------------------------------------------------------------------------

namespace reliability {

namespace {

struct GdiEntry {  // one entry of the GDI handle table, as laid out by the system
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle table entry");

long GdiObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(n);
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProcess>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess"));
    PROCESS_BASIC_INFORMATION info = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return -1;
    const char* peb = reinterpret_cast<const char*>(info.PebBaseAddress);
#ifdef _WIN64
    const size_t offset = 0xF8;  // PEB.GdiSharedHandleTable
#else
    const size_t offset = 0x94;
#endif
    const GdiEntry* table = *reinterpret_cast<const GdiEntry* const*>(peb + offset);
    if (!table) return -1;
    long n = 0;
    for (int i = 0; i < 0x10000; ++i) n += table[i].type != 0;
    return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountTop(HWND hwnd, LPARAM param) {
    long* count = reinterpret_cast<long*>(param);
    ++*count;
    EnumChildWindows(hwnd, &CountChild, param);
    return TRUE;
}

long UserObjects(DWORD uiThread) {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<long>(n);
    long count = 0;
    EnumThreadWindows(uiThread, &CountTop, reinterpret_cast<LPARAM>(&count));
    return count;
}

long long PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    return static_cast<long long>(pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage);
}

// GetProcessHandleCount answers 0 under Wine: the handles of this process are then counted in
// the system's handle list.
long Handles() {
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles) return static_cast<long>(handles);
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
        ULONG pid;
        BYTE type;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct List {
        ULONG count;
        Entry entries[1];
    };
    using QuerySystem = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QuerySystem>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (!query) return -1;
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<char> buffer(1 << 20);
    for (int attempt = 0; attempt < 4; ++attempt, buffer.resize(buffer.size() * 4)) {
        ULONG needed = 0;
        if (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0)
            continue;
        const List* list = reinterpret_cast<const List*>(buffer.data());
        long n = 0;
        for (ULONG i = 0; i < list->count; ++i) n += list->entries[i].pid == GetCurrentProcessId();
        return n;
    }
    return -1;
}

long Threads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    long n = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
}

}  // namespace

Counts Measure(DWORD uiThread) {
    Counts c;
    c.gdi = GdiObjects();
    c.user = UserObjects(uiThread);
    c.memory = PrivateBytes();
    c.handles = Handles();
    c.threads = Threads();
    return c;
}

std::string Growth(const Counts& a, const Counts& b) {
    auto from = [](const char* what, long long x, long long y) {
        return std::string(what) + " " + std::to_string(x) + " -> " + std::to_string(y);
    };
    return from("GDI", a.gdi, b.gdi) + ", " + from("USER", a.user, b.user) + ", " +
           from("handles", a.handles, b.handles) + ", " + from("threads", a.threads, b.threads) +
           ", " + from("private KiB", a.memory / 1024, b.memory / 1024);
}

int Grown(const Counts& a, const Counts& b) {
    return (b.gdi - a.gdi > kObjectSlack) + (b.user - a.user > kObjectSlack) +
           (b.handles - a.handles > kObjectSlack) + (b.threads - a.threads > kObjectSlack) +
           (b.memory - a.memory > kMemorySlack);
}

}  // namespace reliability

// ---- hostile stored values ----------------------------------------------------------------------

namespace reliability {

namespace {

RawValue Typed(DWORD type, const std::string& bytes) { return RawValue{type, bytes}; }
RawValue Dword(DWORD v) { return Typed(REG_DWORD, std::string(reinterpret_cast<const char*>(&v), sizeof v)); }

const std::string kBefore = kHostileBefore;
const std::string kAfter = kHostileAfter;

// One hostile value between two ordinary records.
Hostile Between(const std::string& name, const RawValue& v) {
    return {name, {{"0", Sz(kBefore)}, {"1", v}, {"2", Sz(kAfter)}}};
}

}  // namespace

std::vector<Hostile> HostileCorpus() {
    std::vector<Hostile> cases = {
        Between("empty string", Sz("")),
        Between("empty data (0 bytes)", Typed(REG_SZ, "")),
        Between("only spaces", Sz("      ")),
        Between("four integers", Sz("1 1 0 0")),
        Between("huge integers", Sz("99999999999 1 0 0 -99999999999999999999 notepad")),
        Between("negative key code", Sz("1 1 0 0 -5 notepad")),
        Between("key code over 255", Sz("1 1 0 0 300 notepad")),
        Between("64 KiB string", Sz("1 1 0 0 78 " + std::string(65536 - 11, 'x'))),
        Between("300-character target", Sz("1 1 0 0 78 c:\\" + std::string(297, 'a'))),
        Between("embedded NUL", Typed(REG_SZ, std::string("1 1 0 0 78 notepad\0tail\0", 24))),
        Between("REG_DWORD", Dword(0x41)),
        Between("REG_DWORD 0", Dword(0)),
        Between("REG_BINARY record without a terminator", Typed(REG_BINARY, "0 0 1 1 53 eject.cd.tray")),
        Between("REG_BINARY bytes", Typed(REG_BINARY, std::string("\xff\x01\x80\x7f", 4))),
        Between("REG_EXPAND_SZ", Typed(REG_EXPAND_SZ, std::string("0 0 0 0 81 %WINDIR%\\notepad.exe\0", 32))),
        Between("REG_MULTI_SZ", Typed(REG_MULTI_SZ, std::string("1 1 0 0 78 notepad\0second\0\0", 27))),
        Between("tabs and a trailing word", Sz("1\t1\t0\t0\t78\tnotepad extra words")),
    };
    cases.push_back({"names 00, -1, \" 1\", \"1 \"",
                     {{"0", Sz(kBefore)}, {"1", Sz("0 0 0 0 66 b")}, {"2", Sz(kAfter)}, {"00", Sz("0 0 0 0 67 zero-zero")},
                      {"-1", Sz("0 0 0 0 67 minus-one")}, {" 1", Sz("0 0 0 0 67 space-one")},
                      {"1 ", Sz("0 0 0 0 67 one-space")}}});
    cases.push_back({"gaps", {{"0", Sz(kBefore)}, {"1", Sz(kAfter)}, {"3", Sz("0 0 0 0 68 after-gap")},
                              {"7", Sz("0 0 0 0 69 further")}}});
    RawValues many;
    for (int i = 0; i < 1000; ++i) many[std::to_string(i)] = Sz("0 0 1 0 " + std::to_string(65 + i % 26) + " r" + std::to_string(i));
    cases.push_back({"1,000 values", many});
    return cases;
}

}  // namespace reliability
