// `qlvctl list` on Windows: the camera interfaces SetupAPI lists for the camera's GUID.
#include <iostream>

#include "commands.h"
#include "transport/winusb_api.h"
#include "transport/winusb_transport.h"

namespace qlvctl {

int runList(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError("list", "takes no arguments");
    }
    const auto paths = qlv::winusb::systemApi()->interfacePaths(qlv::cameraInterfaceGuid);
    if (!paths || paths->empty()) {
        std::cerr << "qlvctl: no camera found (no device interface of the camera's GUID is\n"
                     "  present; the camera must be bound to WinUSB)\n";
        return exitNoCamera;
    }
    for (const auto& path : *paths) {
        std::cout << path << '\n';
    }
    return exitOk;
}

}  // namespace qlvctl
