#pragma once
#include <windows.h>

#include <string>

// The automation server of the tests (ole_test_server.exe, a COM local
// server) and a class registered only as an in-process server.
namespace movara_test {

// {F759FAFF-4CA4-443F-9763-B066E894CB69}
const CLSID kOleTestServerClsid = {0xf759faff, 0x4ca4, 0x443f, {0x97, 0x63, 0xb0, 0x66, 0xe8, 0x94, 0xcb, 0x69}};
const char* const kOleTestServerClsidText = "{F759FAFF-4CA4-443F-9763-B066E894CB69}";
const char* const kOleTestServerProgId = "MovaraTest.Automation";
// {F65F1825-AEA3-4779-9511-FE1F420B5A9E}
const char* const kInProcOnlyClsidText = "{F65F1825-AEA3-4779-9511-FE1F420B5A9E}";
const char* const kInProcOnlyProgId = "MovaraTest.InProcOnly";

// Registers both classes and their ProgIDs under HKLM\Software\Classes (Wine
// reads classes from there only) for the object's lifetime; the local
// server is the ole_test_server.exe beside the running test program.
class OleTestServerRegistration {
public:
    OleTestServerRegistration();
    ~OleTestServerRegistration();
    OleTestServerRegistration(const OleTestServerRegistration&) = delete;
    OleTestServerRegistration& operator=(const OleTestServerRegistration&) = delete;
};

// Waits until the process ends; false when it still runs after the timeout.
bool waitForProcessExit(DWORD processId, DWORD timeoutMs);

}  // namespace movara_test
