// Model-based sequences: random Append, RemoveAt and LoadAll against the real registry, checked
// after every step against a plain list of texts. The "user" acts on the list of its last load,
// as Runeset's main window does, so its count and row indices go stale whenever a second
// process (rune_second_writer.exe, on the same scratch key) changes the store between steps;
// some sequences also make one random registry call fail. Fixed sequence numbers: a failure names its sequence
// and step, and running the same sequence replays it.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/process.h"
#include "common/registry_faults.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"
#include "reliability.h"

namespace {

using keymap::StoreResult;
using reliability::Rng;
using runetest::RegCall;
using runetest::RegistryFault;

constexpr int kSequences = 24;
constexpr int kSteps = 60;

enum Flavour { kAlone = 0, kSecondWriter = 1, kFaults = 2, kBoth = 3 };
const char* const kFlavourNames[] = {"alone", "second writer", "faults", "second writer and faults"};

struct Totals {
    long long steps = 0, writerOps = 0, faults = 0, staleRemovals = 0, violations = 0;
};

class ModelSequences : public runetest::ScratchHkcuTest {
protected:
    std::vector<std::string> StoreTexts() { return reliability::RunTexts(reliability::Snapshot()); }

    // The second process appends or removes; the model follows what it reports.
    bool SecondWriter(Rng& rng, std::vector<std::string>& model, int sequence, int step) {
        std::string line = runetest::Quote(runetest::SiblingExe("rune_second_writer.exe")) + " " +
                           runetest::Quote(scratch_.realPath());
        const bool append = model.empty() || rng.Chance(55);
        int index = -1;
        std::string text;
        if (append) {
            text = "0 1 0 0 " + std::to_string(65 + rng.Below(26)) + " w" + std::to_string(sequence) + "-" +
                   std::to_string(step);
            line += " append " + runetest::Quote(text);
        } else {
            index = rng.Below(static_cast<int>(model.size()));
            line += " remove " + std::to_string(index);
        }
        runetest::RunResult r = runetest::RunProcess(line, 30000, true);
        EXPECT_TRUE(r.finished) << "the second writer hung";
        EXPECT_EQ(r.exitCode, 0u) << r.output;
        if (!r.finished || r.exitCode != 0) return false;
        if (append) model.push_back(text);
        else model.erase(model.begin() + index);
        return true;
    }
};

TEST_F(ModelSequences, NoRecordIsLostOrDoubledUnlessTheUserAskedForIt) {
    Totals totals;
    for (int sequence = 1; sequence <= kSequences; ++sequence) {
        const int flavour = sequence % 4;
        const bool writer = flavour == kSecondWriter || flavour == kBoth;
        const bool faults = flavour == kFaults || flavour == kBoth;
        Rng rng(static_cast<unsigned long long>(sequence));
        ASSERT_TRUE(reliability::Replace({}));
        std::vector<std::string> model;  // the store as it must be
        std::vector<std::string> shown;  // the user's list, as of its last load
        long long violations = 0;
        for (int step = 0; step < kSteps; ++step) {
            SCOPED_TRACE(testing::Message() << "sequence " << sequence << " step " << step);
            if (writer && rng.Chance(30)) {
                if (!SecondWriter(rng, model, sequence, step)) ++violations;
                ++totals.writerOps;
            }
            // At most one failing call for this step: a random kind and a call near the start.
            std::unique_ptr<RegistryFault> fault;
            if (faults && rng.Chance(35)) {
                const RegCall kinds[] = {RegCall::OpenKey,  RegCall::CreateKey,   RegCall::QueryValue,
                                         RegCall::SetValue, RegCall::DeleteValue};
                fault = std::make_unique<RegistryFault>(kinds[rng.Below(5)], 1 + rng.Below(12));
            }
            const int choice = rng.Below(10);
            std::string what;
            StoreResult result = StoreResult::Ok;
            std::vector<std::string> expectedIfOk = model;
            if (choice < 4 || (choice < 7 && shown.empty())) {
                const std::string text = std::to_string(rng.Below(2)) + " 1 0 0 " +
                                         std::to_string(48 + rng.Below(10)) + " u" + std::to_string(sequence) +
                                         "-" + std::to_string(step);
                what = "Append";
                result = keymap::Append(text.c_str());
                expectedIfOk.push_back(text);
            } else if (choice < 7) {
                // The user removes a row of the list they see; it may be stale.
                const int row = rng.Below(static_cast<int>(shown.size()));
                what = "RemoveAt(" + std::to_string(row) + ")";
                result = keymap::RemoveAt(row, shown[static_cast<size_t>(row)].c_str());
                const bool stillThere = row < static_cast<int>(model.size()) &&
                                        model[static_cast<size_t>(row)] == shown[static_cast<size_t>(row)];
                if (stillThere) {
                    expectedIfOk.erase(expectedIfOk.begin() + row);
                } else {
                    ++totals.staleRemovals;
                    // Another record now sits there: removing it would lose one nobody chose.
                    EXPECT_NE(result, StoreResult::Ok) << "a stale row removed another record";
                }
            } else {
                what = "LoadAll";
                std::vector<std::string> loaded;
                result = keymap::LoadAll([&](const keymap::LoadedRecord& r) {
                    loaded.push_back(r.text);
                    return true;
                });
                // The list shown after a reload is the store's run, or (on a reported failure)
                // a part of it that the user is told about.
                if (result == StoreResult::Ok) {
                    EXPECT_EQ(loaded, model);
                    if (loaded != model) ++violations;
                }
                shown = loaded;
            }
            if (fault && fault->fired()) ++totals.faults;
            fault.reset();
            const std::vector<std::string> now = StoreTexts();
            if (result == StoreResult::Ok && what != "LoadAll") {
                model = expectedIfOk;
            }
            // Runeset reloads its list after every Add and Remove.
            if (what != "LoadAll") {
                shown.clear();
                EXPECT_EQ(keymap::LoadAll([&](const keymap::LoadedRecord& r) {
                              shown.push_back(r.text);
                              return true;
                          }),
                          StoreResult::Ok);
            }
            // After every step the store is exactly the model: nothing lost, nothing doubled,
            // nothing half done, whatever the step reported.
            if (now != model) {
                ++violations;
                ADD_FAILURE() << what << " left the store differing from the model (result "
                              << static_cast<int>(result) << ")";
                model = now;  // go on from what is there, to find more than one fault per run
            }
            ++totals.steps;
        }
        reliability::Figure("model", "sequence " + std::to_string(sequence) + " (" + kFlavourNames[flavour] + ")",
                            kSteps, violations);
        totals.violations += violations;
    }
    reliability::Figure("model-total", std::to_string(kSequences) + " sequences of " + std::to_string(kSteps) +
                                           " steps",
                        totals.steps, totals.violations,
                        std::to_string(totals.writerOps) + " second-writer operations, " +
                            std::to_string(totals.staleRemovals) + " removals of a stale row, " +
                            std::to_string(totals.faults) + " injected failures");
    EXPECT_EQ(totals.violations, 0);
}

}  // namespace
