// The emulated USB bus of this test program, made in main() before anything starts libusb.
#pragma once

#include <usbfs_emulator.h>

namespace usbtest {

usbemu::Emulator& bus();

}  // namespace usbtest
