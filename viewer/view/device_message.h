// The message shown when the camera cannot be found, worded for the running system.
#pragma once

#include <QString>

namespace viewer {

// What a system reports of its version. On systems other than the NT family `platformId` is
// anything but 2.
struct WindowsVersionRecord {
    bool queryOk = false;
    int platformId = 0;
    int major = 0;
    int minor = 0;
    bool workstation = false;
    bool x64 = false;
};

// -1 (not NT or older than 5) to 6; see the cases in the definition.
int ClassifyWindowsVersion(const WindowsVersionRecord& version);

// The record of the running system: here never the NT platform.
WindowsVersionRecord CurrentWindowsVersion();
inline int CurrentWindowsVersionCode() {
    return ClassifyWindowsVersion(CurrentWindowsVersion());
}

// "Can not find e-Nodra USB 2.0...\n\nProgram is terminated.", with "-W7" for codes 3 and 5 and
// "-W8" for code 6.
QString DeviceMissingMessage(int versionCode);

}  // namespace viewer
