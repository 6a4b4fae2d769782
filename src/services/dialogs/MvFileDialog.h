#pragma once
#include <string>

#include "framework/FileDialog.h"

// The open/save dialog with one addition: given a marker file name, it
// closes by itself as soon as the user enters a folder that holds a file of
// that name (never the folder shown first; a sub-folder of that name does not
// count), and then ends as if confirmed, with that folder as its answer.
class MvFileDialog : public fw::FileDialog {
public:
    // An empty marker name turns the addition off.
    MvFileDialog(bool open, const char* defaultExtension, const char* fileName, DWORD flags, const char* filter,
                 HWND parent, std::string markerName)
        : fw::FileDialog(open, defaultExtension, fileName, flags, filter, parent), markerName_(std::move(markerName)) {}
    ~MvFileDialog() override = default;

    // IDOK also when the marker closed the dialog.
    INT_PTR DoModal() override;
    // After IDOK: the folder holding the marker, or else the chosen file's path.
    std::string chosenPath() const;

protected:
    void OnFolderChange() override;

private:
    std::string markerName_;
    std::string markerFolder_;
    bool firstFolder_ = true;
};
