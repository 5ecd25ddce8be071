#include "view/device_message.h"

namespace viewer {

int ClassifyWindowsVersion(const WindowsVersionRecord& v) {
    constexpr int kNtPlatform = 2;
    if (!v.queryOk) {
        return 1;
    }
    if (v.platformId != kNtPlatform || v.major <= 4) {
        return -1;
    }
    if (v.major == 5) {
        switch (v.minor) {
            case 0:
                return 0;
            case 1:
                return 1;
            case 2:
                return v.workstation && v.x64 ? 1 : 0;
            default:
                return 0;
        }
    }
    if (v.major == 6 && v.workstation) {
        switch (v.minor) {
            case 0:
                return v.x64 ? 4 : 2;
            case 1:
                return v.x64 ? 5 : 3;
            case 2:
                return 6;
            default:
                return 0;
        }
    }
    return 0;
}

WindowsVersionRecord CurrentWindowsVersion() {
    WindowsVersionRecord record;
    record.queryOk = true;
    return record;
}

QString DeviceMissingMessage(int versionCode) {
    QString suffix;
    if (versionCode == 3 || versionCode == 5) {
        suffix = QStringLiteral("-W7");
    } else if (versionCode == 6) {
        suffix = QStringLiteral("-W8");
    }
    return QStringLiteral("Can not find e-Nodra USB 2.0%1\n\nProgram is terminated.").arg(suffix);
}

}  // namespace viewer
