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

}  // namespace reliability
