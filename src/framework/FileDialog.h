#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

namespace fw {

// The platform's open/save dialog (explorer style, with a hook) run modally
// over an owner window. Texts are narrow in the ANSI code page; the filter
// uses the framework notation "description|pattern|...||".
class FileDialog {
public:
    // Null texts mean none. OFN_EXPLORER and OFN_ENABLEHOOK are always added,
    // and the process's current folder is the same after the dialog as before.
    FileDialog(bool open, const char* defaultExtension, const char* fileName, DWORD flags, const char* filter,
               HWND parent);
    virtual ~FileDialog() = default;
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    // IDOK when the user confirmed a name, IDCANCEL otherwise (also when the
    // dialog could not be shown).
    virtual INT_PTR DoModal();

    // The chosen file's full path (after IDOK).
    std::string GetPathName() const;
    // While the dialog runs: the folder it shows.
    std::string GetFolderPath() const;
    // While the dialog runs: the dialog window itself (the hook's parent).
    HWND dialogWindow() const;
    // 1-based index of the selected filter, before the run and as left after it.
    DWORD filterIndex() const { return ofn_.nFilterIndex; }
    void setFilterIndex(DWORD index) { ofn_.nFilterIndex = index; }
    const OPENFILENAMEA& ofn() const { return ofn_; }

protected:
    // Each time the dialog shows a folder, the first one included.
    virtual void OnFolderChange() {}
    virtual void OnInitDone() {}

private:
    static UINT_PTR CALLBACK hookProc(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);

    bool open_;
    OPENFILENAMEA ofn_ = {};
    std::string filter_;
    std::string defaultExtension_;
    std::vector<char> fileName_;
    HWND hook_ = nullptr;
};

}  // namespace fw
