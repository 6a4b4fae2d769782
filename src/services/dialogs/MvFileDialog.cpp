#include "services/dialogs/MvFileDialog.h"

#include "services/common/PathUtilities.h"
#include "tbx/PathString.h"

INT_PTR MvFileDialog::DoModal() {
    INT_PTR answer = fw::FileDialog::DoModal();
    return markerFolder_.empty() ? answer : IDOK;
}

std::string MvFileDialog::chosenPath() const { return markerFolder_.empty() ? GetPathName() : markerFolder_; }

void MvFileDialog::OnFolderChange() {
    if (!firstFolder_ && !markerName_.empty() && markerFolder_.empty()) {
        std::string folder = GetFolderPath();
        if (!folder.empty() && isExistingFile(tbx::with_trailing_separator(folder) + markerName_)) {
            markerFolder_ = folder;
            // Posted: the dialog closes once this notification has returned.
            PostMessageA(dialogWindow(), WM_CLOSE, 0, 0);
        }
    }
    firstFolder_ = false;
}
