// The store when one registry call fails, made to fail through the seam in keymap/registry.h.
#include <gtest/gtest.h>

#include "common/registry_faults.h"
#include "store_fixture.h"

namespace keymap {
namespace {

using runetest::RegCall;
using runetest::RegistryFault;

const std::vector<std::string> kFour = {"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c",
                                        "0 0 0 0 68 d"};

ValueMap RunOf(const std::vector<std::string>& texts) {
    ValueMap v;
    for (size_t i = 0; i < texts.size(); ++i) v[std::to_string(i)] = texts[i];
    return v;
}

// Every key the store opened or created, it closed again, failure or not.
void ExpectNoHandleLeft(const RegistryFault& fault, RegCall failedKind) {
    int opened = fault.calls(RegCall::OpenKey) + fault.calls(RegCall::CreateKey);
    if (fault.fired() && (failedKind == RegCall::OpenKey || failedKind == RegCall::CreateKey))
        --opened;
    EXPECT_EQ(fault.calls(RegCall::CloseKey), opened);
}

TEST_F(StoreTest, FailedMovePutsBackWhatItMovedAndDeletesNothing) {
    // Removing "a": b moves onto 0, then the write of c onto 1 fails.
    FillRun(kFour);
    {
        RegistryFault fault(RegCall::SetValue, 2);
        EXPECT_EQ(RemoveAt(0), StoreResult::MoveFailed);
        EXPECT_TRUE(fault.fired());
        EXPECT_EQ(fault.calls(RegCall::DeleteValue), 0);
        ExpectNoHandleLeft(fault, RegCall::SetValue);
    }
    // a is written back to 0: the store is as before, nothing twice.
    EXPECT_EQ(Values(), RunOf(kFour));
}

TEST_F(StoreTest, FailedReadDuringAMoveLosesNothing) {
    // The read of value 2 (the second move's read) fails: one query a value, 1 for value 0 (the
    // record removed), 2 for value 1, 3 for value 2.
    FillRun(kFour);
    {
        RegistryFault fault(RegCall::QueryValue, 3);
        EXPECT_EQ(RemoveAt(0), StoreResult::MoveFailed);
        EXPECT_TRUE(fault.fired());
        EXPECT_EQ(fault.calls(RegCall::DeleteValue), 0);
    }
    EXPECT_EQ(Values(), RunOf(kFour));
    // A value too long for the first query is asked again at its size; that second query
    // failing behaves the same.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmarsh");
    const std::vector<std::string> withLong = {kFour[0], kFour[1], "0 0 0 0 67 " + std::string(600, 'c'),
                                               kFour[3]};
    FillRun(withLong);
    {
        RegistryFault fault(RegCall::QueryValue, 4);
        EXPECT_EQ(RemoveAt(0), StoreResult::MoveFailed);
        EXPECT_TRUE(fault.fired());
    }
    EXPECT_EQ(Values(), RunOf(withLong));
}

TEST_F(StoreTest, EachOpenStepFailingIsAStoreOpenFailureThatChangesNothing) {
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b"});
    const ValueMap before = Values();
    struct Step {
        RegCall kind;
        int nth;
    } steps[] = {{RegCall::OpenKey, 1},  // Software
                 {RegCall::CreateKey, 1}, {RegCall::CreateKey, 2}, {RegCall::CreateKey, 3}};
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(s.kind) << " call " << s.nth);
        {
            RegistryFault fault(s.kind, s.nth);
            int visits = 0;
            EXPECT_EQ(LoadAll([&](const LoadedRecord&) { return ++visits, true; }),
                      StoreResult::StoreOpenFailed);
            EXPECT_EQ(visits, 0);
            ExpectNoHandleLeft(fault, s.kind);
        }
        {
            RegistryFault fault(s.kind, s.nth);
            EXPECT_EQ(Append("1 1 0 0 78 notepad"), StoreResult::StoreOpenFailed);
            EXPECT_EQ(fault.calls(RegCall::SetValue), 0);
            ExpectNoHandleLeft(fault, s.kind);
        }
        {
            RegistryFault fault(s.kind, s.nth);
            EXPECT_EQ(RemoveAt(0), StoreResult::StoreOpenFailed);
            EXPECT_EQ(fault.calls(RegCall::SetValue) + fault.calls(RegCall::DeleteValue), 0);
            ExpectNoHandleLeft(fault, s.kind);
        }
        EXPECT_EQ(Values(), before);
    }
}

TEST_F(StoreTest, FailedWriteIsReportedAndWritesNothing) {
    FillRun({"0 0 0 0 65 a"});
    {
        RegistryFault fault(RegCall::SetValue, 1);
        EXPECT_EQ(Append("1 1 0 0 78 notepad"), StoreResult::WriteFailed);
        ExpectNoHandleLeft(fault, RegCall::SetValue);
    }
    EXPECT_EQ(Values(), RunOf({"0 0 0 0 65 a"}));
}

TEST_F(StoreTest, UnreadableValueWhileFindingTheEndIsAWriteFailure) {
    // Not knowing where the run ends, Append must not guess and overwrite a record.
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b"});
    {
        RegistryFault fault(RegCall::QueryValue, 2);
        EXPECT_EQ(Append("1 1 0 0 78 notepad"), StoreResult::WriteFailed);
        EXPECT_EQ(fault.calls(RegCall::SetValue), 0);
    }
    EXPECT_EQ(Values(), RunOf({"0 0 0 0 65 a", "0 0 0 0 66 b"}));
}

TEST_F(StoreTest, FailedFinalDeleteIsReported) {
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"});
    {
        RegistryFault fault(RegCall::DeleteValue, 1);
        EXPECT_EQ(RemoveAt(0), StoreResult::DeleteFailed);
        ExpectNoHandleLeft(fault, RegCall::DeleteValue);
    }
    // The last value could not go, so the moves were undone: nothing twice.
    EXPECT_EQ(Values(), RunOf({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"}));
}

TEST_F(StoreTest, UnreadableValueEndsLoadingAndIsReported) {
    // The records before it are visited, but the caller must not take them for the whole store.
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b", "0 0 0 0 67 c"});
    std::vector<std::string> texts;
    {
        // The read of value 1 fails (one query a value).
        RegistryFault fault(RegCall::QueryValue, 2);
        EXPECT_EQ(LoadAll([&](const LoadedRecord& r) {
                      texts.push_back(r.text);
                      return true;
                  }),
                  StoreResult::ReadFailed);
        ExpectNoHandleLeft(fault, RegCall::QueryValue);
    }
    EXPECT_EQ(texts, std::vector<std::string>{"0 0 0 0 65 a"});
}

TEST_F(StoreTest, SuccessfulOperationsCloseEveryKey) {
    RegistryFault count(RegCall::kCount, 0);  // fails nothing, only counts
    FillRun({"0 0 0 0 65 a", "0 0 0 0 66 b"});
    EXPECT_EQ(Load().size(), 2u);
    EXPECT_EQ(Append("0 0 0 0 67 c"), StoreResult::Ok);
    EXPECT_EQ(RemoveAt(0), StoreResult::Ok);
    EXPECT_GT(count.calls(RegCall::CreateKey), 0);
    ExpectNoHandleLeft(count, RegCall::kCount);
}

}  // namespace
}  // namespace keymap
