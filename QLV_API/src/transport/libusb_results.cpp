#include "transport/libusb_results.h"

#include <cstdio>

namespace qlv {

UsbOutcome outcomeOf(int result, const char* what) {
    if (result >= 0) {
        return UsbOutcome::Done;
    }
    switch (result) {
        case LIBUSB_ERROR_TIMEOUT:
            return UsbOutcome::TimedOut;
        case LIBUSB_ERROR_PIPE:
            return UsbOutcome::Stalled;
        case LIBUSB_ERROR_OVERFLOW:
            return UsbOutcome::Overflow;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:  // the interface or device went away under us
            return UsbOutcome::Gone;
        case LIBUSB_ERROR_ACCESS:
            return UsbOutcome::AccessDenied;
        case LIBUSB_ERROR_BUSY:
            return UsbOutcome::Busy;
        case LIBUSB_ERROR_INTERRUPTED:
            return UsbOutcome::Cancelled;
        default:
            logUsbFailure(what, result);
            return UsbOutcome::Failed;
    }
}

UsbOutcome outcomeOf(libusb_transfer_status status, const char* what) {
    switch (status) {
        case LIBUSB_TRANSFER_COMPLETED:
            return UsbOutcome::Done;
        case LIBUSB_TRANSFER_TIMED_OUT:
            return UsbOutcome::TimedOut;
        case LIBUSB_TRANSFER_CANCELLED:
            return UsbOutcome::Cancelled;
        case LIBUSB_TRANSFER_STALL:
            return UsbOutcome::Stalled;
        case LIBUSB_TRANSFER_OVERFLOW:
            return UsbOutcome::Overflow;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return UsbOutcome::Gone;
        default:
            std::fprintf(stderr, "QLV_API: %s: transfer ended with status %d\n", what,
                         static_cast<int>(status));
            return UsbOutcome::Failed;
    }
}

void logUsbFailure(const char* what, int result) {
    std::fprintf(stderr, "QLV_API: %s: %s\n", what, libusb_error_name(result));
}

}  // namespace qlv
