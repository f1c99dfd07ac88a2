#include "runeset/page3.h"

#include <algorithm>
#include <cstring>

#include "keymap/keymapping.h"
#include "keymap/store.h"
#include "runeset/hotkey_probe.h"
#include "runeset/messages.h"
#include "runeset/resource.h"
#include "runeset/wizard_state.h"
#include "winframe/app.h"

namespace {

using runeset::kCaption;
constexpr char kDuplicateQuestion[] =
    "The specified shortcut is already defined !!\nYou can still continue with the same "
    "shortcut but this will cause multiple programs/functions\nto be launched upon keying in "
    "the shortcut. Do you want to continue ?\n";

// The records of the main window's table that are valid, never more than it holds.
int ValidRecords(const KeyMappingTable& table) { return std::clamp(table.count, 0, kMaxRecords); }

// A row whose stored value is no record text is shown "(invalid)" and ignored by the service,
// so it holds no shortcut and cannot make another one a duplicate.
bool HoldsShortcut(const KeyMappingTable& table, int row) {
    keymap::KeyMapping parsed;
    return keymap::ParseRecordText(table.storedTexts[static_cast<size_t>(row)].c_str(), parsed);
}

std::string LoadText(UINT id) {
    char text[256] = {};
    ::LoadStringA(AfxGetResourceHandle(), id, text, sizeof text);
    return text;
}

std::string HeldQuestion(const keymap::KeyMapping& shortcut) {
    return "The shortcut " + keymap::ShortcutText(shortcut) +
           " is used by another program.\nIt will not work while that program holds it.\n"
           "Do you want to save it anyway ?";
}

}  // namespace

CPage3::CPage3() : CPropertyPageEx(IDD_PAGE3, 0, IDS_HEADER_TITLE, IDS_STEP23_SUBTITLE) {}

void CPage3::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_KEY, keyBox);
    DDX_Control(pDX, IDC_PREVIEW, previewBox);
    DDX_Text(pDX, IDC_PREVIEW, previewText);
    DDX_Check(pDX, IDC_ALT, alt);
    DDX_Check(pDX, IDC_CTRL, ctrl);
    DDX_Check(pDX, IDC_SHIFT, shift);
    DDX_Check(pDX, IDC_WIN, win);
    DDX_CBString(pDX, IDC_KEY, keyText);
    DDX_Text(pDX, IDC_STATUS, statusText);
}

BOOL CPage3::OnInitDialog() {
    // The key list is in place and the key of an earlier run is selected again.
    CPropertyPageEx::OnInitDialog();
    keyBox.LimitText(1);
    // Every run starts with Control and Alt, whatever the last run chose.
    ctrl = 1;
    alt = 1;
    shift = 0;
    win = 0;
    alreadyAssigned = 0;
    heldElsewhere = 0;
    UpdateData(FALSE);
    UpdatePreview();
    return TRUE;
}

BOOL CPage3::OnSetActive() {
    CurrentWizard().wizard.PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_FINISH);
    return CPropertyPageEx::OnSetActive();
}

bool CPage3::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
        case IDC_CTRL:
        case IDC_ALT:
        case IDC_SHIFT:
        case IDC_WIN:
            if (code != BN_CLICKED) return false;
            UpdatePreview();
            return true;
        case IDC_KEY:
            if (code != CBN_SELCHANGE && code != CBN_EDITCHANGE) return false;
            UpdateStatus();
            return true;
        default:
            return false;
    }
}

void CPage3::UpdatePreview() {
    UpdateData(TRUE);
    previewText = keymap::ModifierText(ctrl, alt, shift, win);
    UpdateData(FALSE);
    UpdateStatus();
}

void CPage3::UpdateStatus() {
    UpdateData(TRUE);
    if (keyText.empty()) {
        statusText.clear();
        UpdateData(FALSE);
        return;
    }
    keymap::KeyMapping candidate;
    candidate.ctrl = ctrl;
    candidate.alt = alt;
    candidate.shift = shift;
    candidate.win = win;
    candidate.key = static_cast<signed char>(keyText[0]);

    const KeyMappingTable& table = WizardTable();
    const int count = ValidRecords(table);
    bool taken = false;
    for (int row = 0; row < count && !taken; ++row) {
        taken = keymap::SameShortcut(table.records[static_cast<size_t>(row)], candidate) &&
                HoldsShortcut(table, row);
    }
    heldElsewhere = 0;
    if (taken) {
        // Our own service holds the table's shortcuts; that is not another program.
        statusText = "Shortcut already assigned !";
        alreadyAssigned = 1;
    } else {
        alreadyAssigned = 0;
        heldElsewhere = runeset::ProbeHotkey(candidate) == runeset::HotkeyProbe::Held ? 1 : 0;
        statusText = "Shortcut Unassigned";
        if (!ctrl && !alt && !shift && !win) statusText = "NOT RECOMMENDED !";
        if (heldElsewhere) statusText = LoadText(IDS_SHORTCUT_HELD);
    }
    UpdateData(FALSE);
}

BOOL CPage3::OnWizardFinish() {
    UpdateData(TRUE);
    if (keyText.empty()) {
        MessageBox("Please give a complete shortcut !", kCaption, MB_OK | MB_ICONINFORMATION);
        return FALSE;
    }
    const KeyMappingTable& table = WizardTable();

    // The list shows at most kMaxRecords shortcuts; one beyond them could be neither seen
    // nor removed. The store decides, as the table may be older than the last change.
    int stored = 0;
    const keymap::StoreResult counted = keymap::LoadAll([&](const keymap::LoadedRecord&) {
        return ++stored < kMaxRecords;
    });
    if (counted != keymap::StoreResult::Ok) {
        runeset::ShowStoreFailure(*this);
        return kWizardCloseAnyway;
    }
    if (stored >= kMaxRecords || table.count >= kMaxRecords) {
        MessageBox("Runeset can keep at most 100 shortcuts.\nPlease remove a shortcut you no "
                   "longer need before adding a new one.",
                   kCaption, MB_OK | MB_ICONINFORMATION);
        return FALSE;
    }

    if (alreadyAssigned == 1 &&
        MessageBox(kDuplicateQuestion, kCaption, MB_YESNO | MB_ICONINFORMATION) == IDNO) {
        return FALSE;
    }

    keymap::KeyMapping mapping;
    mapping.ctrl = ctrl;
    mapping.alt = alt;
    mapping.shift = shift;
    mapping.win = win;
    mapping.key = static_cast<signed char>(keyText[0]);
    // A shortcut the system refused while it was composed would never fire: save it only
    // when the user wants it anyway (for example to free it in the other program later).
    if (heldElsewhere == 1 &&
        MessageBox(HeldQuestion(mapping).c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDNO) {
        return FALSE;
    }

    const std::string& target = CurrentWizard().pendingTarget;
    if (target.empty() || target.size() >= sizeof mapping.target) {
        // Step 2 never hands on such a target; a record with a cut one would start
        // something else.
        MessageBox("The program or function chosen in the previous step cannot be kept for a "
                   "shortcut.\nPlease go back and choose it again.",
                   kCaption, MB_OK | MB_ICONINFORMATION);
        return FALSE;
    }
    std::memcpy(mapping.target, target.c_str(), target.size() + 1);
    const std::string record = keymap::FormatRecordText(mapping);

    // Append writes after the last record actually stored, so nothing is overwritten and
    // the main window's reload shows this record as its last row.
    if (keymap::Append(record.c_str()) != keymap::StoreResult::Ok) {
        runeset::ShowStoreFailure(*this);
        return kWizardCloseAnyway;
    }
    return TRUE;
}
