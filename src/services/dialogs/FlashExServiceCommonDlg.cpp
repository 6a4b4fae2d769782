#include "services/dialogs/FlashExServiceCommonDlg.h"

#include "bridge/host/FlashExHost.h"
#include "bridge/values/FlashExRequest.h"
#include "services/dialogs/FolderBrowser.h"
#include "services/dialogs/MvFileDialog.h"
#include "services/common/ServiceArguments.h"

namespace {

// OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT
const int kDefaultFileDialogFlags = 0x8000E;

}  // namespace

const ServiceCommand<FlashExServiceCommonDlg> FlashExServiceCommonDlg::kCommands[] = {
    {"fileDialog", &FlashExServiceCommonDlg::fileDialog, 1, 7},
    {"browseForFolder", &FlashExServiceCommonDlg::browseForFolder, 1, 2},
};

std::vector<CommandSignature> FlashExServiceCommonDlg::commands() const { return signaturesOf(kCommands); }

bool FlashExServiceCommonDlg::invoke(FlashExRequest& request, ParamPtr& result) {
    return runCommand(*this, kCommands, request, result);
}

ParamPtr FlashExServiceCommonDlg::fileDialog(FlashExRequest& request) {
    bool open = boolArgument(request, 0);
    const char* defaultExtension = optionalTextArgument(request, 1, nullptr);
    const char* fileName = optionalTextArgument(request, 2, nullptr);
    int flags = optionalIntArgument(request, 3, kDefaultFileDialogFlags);
    const char* filter = optionalTextArgument(request, 4, nullptr);
    bool hasFilterIndex = hasArgument(request, 5);
    int filterIndex = hasFilterIndex ? intArgument(request, 5) : 0;
    const char* marker = optionalTextArgument(request, 6, nullptr);
    MvFileDialog dialog(open, defaultExtension, fileName, static_cast<DWORD>(flags), filter, windows_.hostWindow(),
                        marker ? marker : "");
    if (hasFilterIndex) dialog.setFilterIndex(static_cast<DWORD>(filterIndex));

    if (dialog.DoModal() != IDOK) return nullptr;
    auto answer = std::make_unique<FlashExParamObject>();
    answer->setString("path", dialog.chosenPath());
    answer->setProperty("filterIndex", paramInt(static_cast<int>(dialog.filterIndex())));
    return answer;
}

ParamPtr FlashExServiceCommonDlg::browseForFolder(FlashExRequest& request) {
    const std::string& title = stringArgument(request, 0);
    const char* initialFolder = optionalTextArgument(request, 1, nullptr);
    return paramString(browseForFolderPath(windows_.hostWindow(), title, initialFolder ? initialFolder : ""));
}
