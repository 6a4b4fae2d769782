#include "services/dialogs/MvFileDialog.h"

#include "services/common/PathUtilities.h"
#include "tbx/PathString.h"

INT_PTR MvFileDialog::DoModal() {
    INT_PTR answer = fw::FileDialog::DoModal();
    return markerFolder.empty() ? answer : IDOK;
}

void MvFileDialog::OnFolderChange() {
    if (!firstFolder && !markerName.empty() && markerFolder.empty()) {
        std::string folder = GetFolderPath();
        if (!folder.empty() && isExistingFile(tbx::with_trailing_separator(folder) + markerName)) {
            markerFolder = folder;
            // Posted: the dialog closes once this notification has returned.
            PostMessageA(dialogWindow(), WM_CLOSE, 0, 0);
        }
    }
    firstFolder = false;
}
