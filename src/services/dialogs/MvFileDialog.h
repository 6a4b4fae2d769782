#pragma once
#include <string>

#include "framework/FileDialog.h"

// The open/save dialog with one addition: given a marker file name, it
// closes by itself as soon as the user enters a folder that holds a file of
// that name (never the folder shown first; a sub-folder of that name does not
// count), and then ends as if confirmed, with that folder in markerFolder.
class MvFileDialog : public fw::FileDialog {
public:
    using fw::FileDialog::FileDialog;
    ~MvFileDialog() override = default;

    // IDOK also when the marker closed the dialog.
    INT_PTR DoModal() override;

    std::string markerName;
    std::string markerFolder;
    bool firstFolder = true;

protected:
    void OnFolderChange() override;
};
