// One plug-in of an emulated device: its device node and sysfs entry, and the usbfs requests of
// every program that opened the node. A replug is a new Attachment with a new device number.
#pragma once

#include <umockdev.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "usb_descriptors.h"
#include "usbfs_emulator.h"

namespace usbemu {

struct Urb;
struct ClientState;

class Attachment {
public:
    struct Place {
        UMockdevTestbed* testbed = nullptr;
        std::string rootDir;
        std::uint8_t bus = 1;
        std::uint8_t port = 1;
        std::uint8_t deviceNumber = 2;
    };

    Attachment(Place place, const DeviceDescriptors& descriptors,
               std::shared_ptr<vcam::VirtualCamera> camera, UsageCounters& counters);
    // Ends the device's threads. umockdev's worker must be stopped by then (no handler runs).
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    // Creates the device node and the sysfs entry; programs see the device arrive.
    void plugIn();
    // The cable is out: URBs in flight end with "no device", every later request but reaping
    // fails with ENODEV, the node goes and programs see the device leave.
    void pullOut();

    std::uint8_t deviceNumber() const { return place_.deviceNumber; }
    int openClients() const;
    bool interfaceClaimed() const;

private:
    struct Reply {
        long result = 0;
        int error = 0;
    };

    static gboolean onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    static void onClientConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                  gpointer self);
    static gboolean onClosedWatch(gpointer self);

    // ---- umockdev's worker thread ----
    Reply dispatch(UMockdevIoctlClient* client, unsigned long request, UMockdevIoctlData* arg);
    Reply submit(ClientState& state, UMockdevIoctlData* arg);
    Reply reap(ClientState& state, UMockdevIoctlData* arg);
    Reply discard(ClientState& state, UMockdevIoctlData* arg);
    Reply claim(ClientState& state, unsigned int interfaceNumber);
    Reply release(ClientState& state, unsigned int interfaceNumber);
    ClientState& stateOf(UMockdevIoctlClient* client);  // requires mutex_
    void watchForClosedClients();
    void dropClient(UMockdevIoctlClient* client);

    // ---- the device's threads ----
    void serveControl(std::stop_token stop);
    void serveBulkIn(std::stop_token stop);

    // Requires mutex_.
    void finish(const std::shared_ptr<Urb>& urb, int status, std::size_t actual);
    void forget(const std::shared_ptr<Urb>& urb);
    void updateReadiness();

    std::string sysfsDescription() const;

    Place place_;
    const DeviceDescriptors& descriptors_;
    std::shared_ptr<vcam::VirtualCamera> camera_;
    UsageCounters& counters_;
    std::string devnode_;   // /dev/bus/usb/BBB/DDD as programs open it
    std::string nodePath_;  // the FIFO standing for it in the testbed
    std::string syspath_;   // /sys/devices/... of the device
    UMockdevIoctlBase* handler_ = nullptr;
    GSource* closedWatch_ = nullptr;  // umockdev's worker thread only
    int fifo_ = -1;

    mutable std::mutex mutex_;
    std::condition_variable_any work_;  // the device's threads wait here for URBs
    // Guarded by mutex_.
    bool gone_ = false;
    bool ready_ = false;  // the node polls writable: some client has URBs to reap
    std::map<UMockdevIoctlClient*, std::unique_ptr<ClientState>> clients_;
    UMockdevIoctlClient* claimedBy_ = nullptr;
    std::deque<std::shared_ptr<Urb>> controlQueue_;
    std::deque<std::shared_ptr<Urb>> bulkQueue_;
    std::vector<std::shared_ptr<Urb>> bulkInService_;
    int controlInFlight_ = 0;
    std::vector<std::uint8_t> pipeBytes_;  // what fills and empties the FIFO

    std::jthread control_;  // before the lanes: declared first, joined last
    // Taken by the bulk lane that queues the next URB at the camera, until the camera has it.
    std::mutex bulkTurn_;
    std::vector<std::jthread> bulkLanes_;
};

}  // namespace usbemu
