#include "framework/FileDialog.h"
#include "tbx/CurrentDirectoryGuard.h"
#include "tbx/Guards.h"
#include "tbx/PathString.h"

#include <algorithm>
#include <cstring>

namespace fw {

namespace {

const char* const kSelfProperty = "MovaraFileDialog";
const size_t kFileNameBuffer = 4096;

// "a|b|c|d||" -> "a\0b\0c\0d\0\0"; a '|' trail byte of a double-byte
// character is kept.
std::string filterToMultiString(const char* filter) {
    std::string out = tbx::replace_characters(filter, "|", '\0');
    out.append(2, '\0');
    return out;
}

}  // namespace

FileDialog::FileDialog(bool open, const char* defaultExtension, const char* fileName, DWORD flags, const char* filter,
                       HWND parent)
    : open_(open), fileName_(kFileNameBuffer, '\0') {
    ofn_.lStructSize = sizeof(ofn_);
    ofn_.hwndOwner = parent;
    // The process's current folder stays whatever the flags say: every
    // relative path after the dialog resolves against it.
    ofn_.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    ofn_.lpfnHook = hookProc;
    ofn_.lCustData = reinterpret_cast<LPARAM>(this);
    if (filter) {
        filter_ = filterToMultiString(filter);
        ofn_.lpstrFilter = filter_.c_str();
        ofn_.nFilterIndex = 1;
    }
    if (defaultExtension) {
        defaultExtension_ = defaultExtension;
        ofn_.lpstrDefExt = defaultExtension_.c_str();
    }
    if (fileName) strncpy(fileName_.data(), fileName, kFileNameBuffer - 1);
    ofn_.lpstrFile = fileName_.data();
    ofn_.nMaxFile = static_cast<DWORD>(kFileNameBuffer);
}

INT_PTR FileDialog::DoModal() {
    // The open dialog may move the current folder even so.
    CurrentDirectoryGuard keep;
    BOOL confirmed = open_ ? GetOpenFileNameA(&ofn_) : GetSaveFileNameA(&ofn_);
    hook_ = nullptr;
    return confirmed ? IDOK : IDCANCEL;
}

std::string FileDialog::GetPathName() const { return std::string(fileName_.data()); }

HWND FileDialog::dialogWindow() const { return hook_ ? GetParent(hook_) : nullptr; }

std::string FileDialog::GetFolderPath() const {
    HWND dialog = dialogWindow();
    if (!dialog) return {};
    char folder[MAX_PATH * 2] = {};
    LRESULT length = SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof(folder), reinterpret_cast<LPARAM>(folder));
    return length > 0 ? std::string(folder) : std::string();
}

UINT_PTR CALLBACK FileDialog::hookProc(HWND hook, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<FileDialog*>(reinterpret_cast<OPENFILENAMEA*>(lParam)->lCustData);
        self->hook_ = hook;
        SetPropA(hook, kSelfProperty, self);
        return TRUE;
    }
    auto* self = static_cast<FileDialog*>(GetPropA(hook, kSelfProperty));
    if (!self) return 0;
    if (message == WM_DESTROY) {
        RemovePropA(hook, kSelfProperty);
        return 0;
    }
    if (message != WM_NOTIFY) return 0;
    tbx::guardWindowProcedure(
        [&] {
            switch (reinterpret_cast<NMHDR*>(lParam)->code) {
                case CDN_INITDONE:
                    self->OnInitDone();
                    break;
                case CDN_FOLDERCHANGE:
                    self->OnFolderChange();
                    break;
            }
        },
        tbx::traced("file dialog"));
    return 0;
}

}  // namespace fw
