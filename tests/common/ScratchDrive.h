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

}  // namespace movara_test
