// Shared by the reliability campaign: raw snapshots of the KeyMappings key (type and bytes of
// every value, read past the store so that nothing it does can hide a change), and the figure
// lines that scripts/reliability.sh collects into docs/reliability.md.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace reliability {

struct RawValue {
    DWORD type = REG_SZ;
    std::string bytes;  // exactly as stored, terminator (if any) included
    bool operator==(const RawValue& o) const { return type == o.type && bytes == o.bytes; }
    bool operator!=(const RawValue& o) const { return !(*this == o); }
};
using RawValues = std::map<std::string, RawValue>;

// A REG_SZ value as Append and RegSetValueEx write it: the text and its NUL.
RawValue Sz(const std::string& text);
// Values "0" .. "n-1" holding `texts` as REG_SZ.
RawValues RunOf(const std::vector<std::string>& texts);
// The texts of the run 0, 1, ... of `values` as the store reads them (up to the first NUL).
std::vector<std::string> RunTexts(const RawValues& values);

// Every value of HKCU\...\KeyMappings of the current HKEY_CURRENT_USER; empty when the key is absent.
RawValues Snapshot();
// Makes the key hold exactly `values` (the key path is created when missing).
bool Replace(const RawValues& values);

// One line of the report: "RELIABILITY|<area>|<item>|<tried>|<violations>|<note>".
// `tried` counts what was tried (failure points, steps, values, ...), `violations` what broke an
// invariant (a record lost, duplicated or changed, a failure reported as success, a leak).
void Figure(const std::string& area, const std::string& item, long long tried, long long violations,
            const std::string& note = std::string());

// Deterministic pseudo-random numbers (a fixed starting value replays a sequence exactly, on any platform).
class Rng {
public:
    explicit Rng(unsigned long long start) : state_(start * 0x9E3779B97F4A7C15ULL + 1) {}
    unsigned long long Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    // 0 .. n-1 (n > 0).
    int Below(int n) { return static_cast<int>(Next() % static_cast<unsigned long long>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    unsigned long long state_;
};

// ---- resources of this process ----------------------------------------------------------------
// GetGuiResources answers 0 under Wine: GDI objects are then counted in the process's GDI handle
// table (one entry per live object: icons and image lists show up through the bitmaps they hold),
// USER objects as the windows of `uiThread` (top-level and all their descendants), private memory
// as PagefileUsage (PrivateUsage is 0 there).
struct Counts {
    long gdi = 0, user = 0;
    long long memory = 0;
    long handles = 0, threads = 0;
};
Counts Measure(DWORD uiThread);

// Growth allowed between two measurements: a few objects of warm-up (caches of the system) and
// 4 MiB of memory; one leaked image list, icon, window, handle or thread per reload would be
// hundreds of objects.
constexpr long kObjectSlack = 16;
constexpr long long kMemorySlack = 4 << 20;

// "GDI a -> b, USER ..., handles ..., threads ..., private KiB ...".
std::string Growth(const Counts& a, const Counts& b);
// How many of the five measures grew past their slack from `a` to `b`.
int Grown(const Counts& a, const Counts& b);

// ---- hostile stored values --------------------------------------------------------------------
// Values a hand edit or another program could leave in the key, most of them one hostile value
// between two ordinary records (kHostileBefore at "0", kHostileAfter at "2").
constexpr char kHostileBefore[] = "1 0 0 0 65 before";
constexpr char kHostileAfter[] = "0 1 0 0 90 after";
struct Hostile {
    std::string name;
    RawValues values;
};
std::vector<Hostile> HostileCorpus();

}  // namespace reliability
