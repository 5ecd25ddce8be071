// `qlvctl list`: the devices on the USB bus that the library would take for the camera, and why.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "transport/libusb_transport.h"

namespace qlvctl {

int runList(Arguments arguments) {
    if (!arguments.empty()) {
        return usageError("list", "takes no arguments");
    }
    const auto candidates = qlv::listCandidates();
    if (candidates.empty()) {
        std::cerr << "qlvctl: no camera found on the USB bus (devices are matched by their\n"
                     "  MS OS descriptors or by the VID:PID pairs listed in QLV_USB_IDS)\n";
        return exitNoCamera;
    }
    for (const auto& candidate : candidates) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "bus %03u device %03u  %04x:%04x  interface %u  matched by %s", candidate.bus,
                      candidate.address, candidate.id.vendor, candidate.id.product,
                      candidate.interfaceNumber, qlv::describe(candidate.matchedBy));
        std::cout << line << '\n';
    }
    return exitOk;
}

}  // namespace qlvctl
