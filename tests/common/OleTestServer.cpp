#include "OleTestServer.h"

#include <stdexcept>

#include "TestFiles.h"
#include "tbx/Handles.h"

namespace movara_test {

namespace {

const char* const kClasses = "Software\\Classes\\";

void setValue(const std::string& key, const char* name, const std::string& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot register " + key);
    tbx::RegistryKey owned(opened);
    RegSetValueExA(owned.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void removeKey(const std::string& key) { RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kClasses + key).c_str()); }

}  // namespace

OleTestServerRegistration::OleTestServerRegistration() {
    std::string server = executableDirectory() + "\\ole_test_server.exe";
    setValue(kOleTestServerProgId, nullptr, "Movara test automation server");
    setValue(std::string(kOleTestServerProgId) + "\\CLSID", nullptr, kOleTestServerClsidText);
    setValue(std::string("CLSID\\") + kOleTestServerClsidText + "\\LocalServer32", nullptr, "\"" + server + "\"");
    setValue(std::string("CLSID\\") + kOleTestServerClsidText + "\\ProgID", nullptr, kOleTestServerProgId);

    setValue(std::string(kInProcOnlyProgId) + "\\CLSID", nullptr, kInProcOnlyClsidText);
    setValue(std::string("CLSID\\") + kInProcOnlyClsidText + "\\InprocServer32", nullptr,
             executableDirectory() + "\\no_such_server.dll");
}

OleTestServerRegistration::~OleTestServerRegistration() {
    removeKey(kOleTestServerProgId);
    removeKey(std::string("CLSID\\") + kOleTestServerClsidText);
    removeKey(kInProcOnlyProgId);
    removeKey(std::string("CLSID\\") + kInProcOnlyClsidText);
}

bool waitForProcessExit(DWORD processId, DWORD timeoutMs) {
    tbx::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) return true;  // already gone
    return WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace movara_test
