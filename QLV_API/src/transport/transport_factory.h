// Chooses the bus the library talks to.
#pragma once

#include <functional>
#include <memory>

#include "transport/usb_transport.h"

namespace qlv {

// QLV_CAMERA=virtual selects the process's virtual camera; otherwise the real bus.
std::unique_ptr<UsbTransport> makeTransport();

// Tests put their own camera behind the next QLV_Init; an empty function restores the default.
void setTransportFactoryForTesting(std::function<std::unique_ptr<UsbTransport>()> factory);

}  // namespace qlv
