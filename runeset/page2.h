// Step 2 of the Add wizard: the program to start or the built-in function to perform.
#pragma once

#include <string>

#include "runeset/catalogue.h"
#include "winframe/controls.h"
#include "winframe/propsheet.h"

class CPage2 : public CPropertyPageEx {
public:
    CPage2();

    std::string startFolder;  // program files folder as read at the last Browse
    // Items of the two groups and the 17 entries in the current run's tree, in catalogue
    // order (the root's item is rootItem).
    HTREEITEM nodeItems[runeset::kCatalogueNodeCount - 1] = {};
    CImageList treeImages;
    HTREEITEM rootItem = nullptr;
    CTreeCtrl functionTree;
    std::string programText;

    // Browse: fills the program box from the open-file dialog, which starts in the program
    // files folder.
    void OnBrowse();
    // Reads the program files folder afresh into startFolder; empty when it cannot be read.
    void ReadProgramFilesDir();

    // How Next asks for a path's short form: GetShortPathNameA. A test may put a stand-in
    // here to produce forms the file system at hand cannot.
    static decltype(&::GetShortPathNameA) shortPathCall;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
};
