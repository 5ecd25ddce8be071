// The one place where libusb's results become the transport's. Internal to the libusb transport.
#pragma once

#include <libusb.h>

namespace qlv {

// What the transport does next depends only on this.
enum class UsbOutcome {
    Done,          // the call or transfer did what was asked (a short IN transfer included)
    TimedOut,      // libusb's own timeout passed
    Cancelled,     // the transfer was cancelled by us
    Stalled,       // the device refused the request or halted the endpoint
    Overflow,      // the device sent more than was asked
    Gone,          // the device is no longer on the bus
    AccessDenied,  // no permission to open the device
    Busy,          // another program holds the interface
    Failed,        // anything else; logged where it is classified
};

// A libusb return code: values >= 0 are results, negative values are libusb_error codes.
UsbOutcome outcomeOf(int result, const char* what);
// The status a transfer completed with.
UsbOutcome outcomeOf(libusb_transfer_status status, const char* what);

// One line on stderr: what failed and libusb's name for the result.
void logUsbFailure(const char* what, int result);

}  // namespace qlv
