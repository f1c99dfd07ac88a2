// The one table of function tokens: what a stored target must be to name a function.
#include <gtest/gtest.h>

#include "keymap/functions.h"

namespace keymap {
namespace {

TEST(Functions, EveryTokenNamesItsOwnFunction) {
    for (Function f : Functions()) {
        const std::optional<Function> back = FunctionOf(TokenOf(f));
        ASSERT_TRUE(back.has_value()) << TokenOf(f);
        EXPECT_EQ(*back, f) << TokenOf(f);
    }
}

TEST(Functions, OnlyAnExactTokenNamesAFunction) {
    const char* notTokens[] = {"Notepad", "notepad ", " notepad", "notepa", "notepad.exe",
                               "", "Functions", "C:\\PROGRA~1\\TOOL.EXE", "log.off\n"};
    for (const char* text : notTokens) EXPECT_FALSE(FunctionOf(text).has_value()) << '"' << text << '"';
    EXPECT_FALSE(FunctionOf(static_cast<const char*>(nullptr)).has_value());
    EXPECT_EQ(FunctionOf(std::string("log.off")), Function::LogOff);
}

}  // namespace
}  // namespace keymap
