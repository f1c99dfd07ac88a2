// Runeset's own application object, as the program has it: the box that reports an error
// caught in a window procedure is captioned with the program's name.
#include <windows.h>

#include <stdexcept>

#include <gtest/gtest.h>

#include "runeset/app.h"
#include "runeset/resource.h"
#include "ui_driver.h"
#include "winframe/dialog.h"

namespace {

CRunesetApp g_app;

// The About box template with one button that fails, standing in for any handler that meets
// an error it cannot handle.
class FailingDialog : public CDialog {
public:
    FailingDialog() : CDialog(IDD_ABOUTBOX) {}

protected:
    bool OnCommand(WORD id, WORD code, HWND control) override {
        if (id == IDC_VISIT_HOMEPAGE) throw std::runtime_error("The handler failed.");
        return CDialog::OnCommand(id, code, control);
    }
};

TEST(RunesetApp, AnErrorCaughtInAWindowIsReportedUnderTheProgramsName) {
    FailingDialog dialog;
    uidriver::RunMainDialog(dialog, [](uidriver::Script& s) {
        HWND main = s.MainDialog();
        ASSERT_NE(main, nullptr);
        s.Click(main, IDC_VISIT_HOMEPAGE);
        const uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
        EXPECT_EQ(box.caption, "Runeset");
        EXPECT_EQ(box.text, "The handler failed.");
        EXPECT_EQ(box.icon, uidriver::IconKind::Exclamation);
        // The window carries on after the report.
        s.Click(main, IDOK);
        EXPECT_TRUE(s.WaitGone(main));
    });
}

}  // namespace
