#pragma once
#include <string>

namespace movara_test {

// A drive letter of the test's own, which Wine maps onto a scratch folder
// (a link in the prefix's dosdevices folder), so that drive roots and
// drive-relative paths can be tried without any risk to a real drive. Only a
// letter that nothing maps yet is taken, and the mapping is checked to reach
// the folder before it is used. The drive's current folder and the
// temporary folder can be pointed inside it; everything is undone when the
// object goes.
class ScratchDrive {
public:
    explicit ScratchDrive(const std::string& folder);
    ~ScratchDrive();
    ScratchDrive(const ScratchDrive&) = delete;
    ScratchDrive& operator=(const ScratchDrive&) = delete;

    // False when no letter could be mapped; a test that needs the drive fails.
    bool mapped() const { return letter_ != 0; }
    // "M:" for drive M.
    std::string drive() const;
    // Makes drive() + relative the drive's current folder ("=M:").
    void setCurrentFolder(const std::string& relative);
    // Makes drive() + relative the temporary folder (TMP and TEMP).
    void setTemporaryFolder(const std::string& relative);

private:
    char letter_ = 0;
    std::string link_;    // Unix path of the dosdevices link
    std::string target_;  // Unix path of the scratch folder it points at
    std::string record_;  // the owner record beside the link (a Windows name)
    std::string savedCurrent_, savedTmp_, savedTemp_;
    bool hadCurrent_ = false, hadTmp_ = false, hadTemp_ = false;
};

// A share "\\SERVER\share" of the test's own, which Wine maps onto a scratch
// folder (a link in the prefix's dosdevices\unc folder), so that commands can
// be seen reaching a share. The server's name is the test program's alone;
// the link goes with the object.
class ScratchShare {
public:
    explicit ScratchShare(const std::string& folder);
    ~ScratchShare();
    ScratchShare(const ScratchShare&) = delete;
    ScratchShare& operator=(const ScratchShare&) = delete;

    // False when the share could not be made to reach the folder.
    bool mapped() const { return mapped_; }
    const std::string& server() const { return server_; }
    // "\\SERVER\share".
    std::string root() const { return "\\\\" + server_ + "\\share"; }

private:
    std::string server_;
    std::string serverFolder_;  // Unix path of dosdevices/unc/SERVER
    bool mapped_ = false;
};

}  // namespace movara_test
