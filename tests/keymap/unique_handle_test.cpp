// The one handle owner: every handle it is given is closed exactly once, whatever moves,
// resets and releases happen in between.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "keymap/unique_handle.h"

namespace keymap {
namespace {

// Handles are small integers cast to pointers; Close records them.
std::vector<int> g_closed;
void* H(int n) { return reinterpret_cast<void*>(static_cast<intptr_t>(n)); }

struct Recording : HandleTraits<void*> {
    static void Close(void* h) { g_closed.push_back(static_cast<int>(reinterpret_cast<intptr_t>(h))); }
};
// A kind with a second "no handle" value, as kernel handles have INVALID_HANDLE_VALUE.
struct WithInvalid : Recording {
    static void* Adopt(void* h) { return h == H(-1) ? nullptr : h; }
};

using Owner = UniqueHandle<void*, Recording>;

class UniqueHandleTest : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueHandleTest, EachHandleIsClosedOnceThroughMovesResetsAndPut) {
    {
        Owner a(H(1));
        Owner b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), H(1));
        Owner c(H(2));
        c = std::move(b);                      // 2 closed, 1 now c's
        EXPECT_EQ(g_closed, (std::vector<int>{2}));
        c = std::move(c);                      // self-move keeps it
        EXPECT_EQ(c.get(), H(1));
        c.reset(H(3));                         // 1 closed
        *c.put() = H(4);                       // 3 closed before the out-parameter is written
        EXPECT_EQ(g_closed, (std::vector<int>{2, 1, 3}));
        Owner d(H(5));
        EXPECT_EQ(d.release(), H(5));          // given up: never closed here
        EXPECT_FALSE(d);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1, 3, 4}));
}

TEST_F(UniqueHandleTest, AnEmptyOwnerClosesNothingAndAdoptMapsTheSecondEmptyValue) {
    { Owner empty; }
    {
        UniqueHandle<void*, WithInvalid> invalid(H(-1));
        EXPECT_FALSE(invalid);
        invalid.reset(H(-1));
        EXPECT_FALSE(invalid);
        invalid.reset(H(7));
        EXPECT_TRUE(invalid);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{7}));
}

}  // namespace
}  // namespace keymap
