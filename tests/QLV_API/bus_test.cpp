// The bus on its own: identification, the sensor-height probe, Disconnect against transfers in
// flight, and the bulk read's limit and stop.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

#include <virtual_camera/virtual_camera.h>

#include "bus.h"
#include "transport/virtual_transport.h"

namespace qlv {
namespace {

using namespace std::chrono_literals;

// A transport that answers from a script and can hold a control transfer on the bus.
class ScriptedTransport final : public UsbTransport {
public:
    std::array<std::uint8_t, 24> identification{1, 0, 0, 0, 0,   0,   0,   0, 0,   0,   0,   0,
                                                0, 0, 0, 0, 'Q', 'L', 'V', 0, 'x', 'y', 'z', '!'};
    std::uint8_t lineProbe = 0x30;
    std::atomic<int> cameras{1};
    std::atomic<bool> opened{false};
    std::atomic<bool> holdTransfers{false};

    int countCameras() override { return cameras; }
    bool open() override {
        opened = true;
        return true;
    }
    void close() override { opened = false; }
    std::atomic<std::chrono::milliseconds> lastTimeout{};

    bool controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                         std::chrono::milliseconds timeout) override {
        lastTimeout = timeout;
        if (setup.request == 0x10) {
            std::memcpy(data.data(), identification.data(), data.size());
        } else if (setup.request == 0x14) {
            data[0] = lineProbe;
        }
        std::unique_lock lock(mutex_);
        ++inTransfer_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdTransfers; });
        --inTransfer_;
        // The device must still be open when a transfer finishes.
        return opened.load();
    }
    std::optional<std::size_t> readBulk(std::span<std::uint8_t>, std::chrono::milliseconds,
                                        std::stop_token) override {
        return 0;
    }

    void waitForTransferInFlight() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return inTransfer_ > 0; });
    }
    void releaseTransfers() {
        std::lock_guard lock(mutex_);
        holdTransfers = false;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int inTransfer_ = 0;
};

struct ScriptedBus {
    ScriptedBus() {
        auto owned = std::make_unique<ScriptedTransport>();
        transport = owned.get();
        bus = std::make_unique<Bus>(std::move(owned));
    }
    ScriptedTransport* transport;
    std::unique_ptr<Bus> bus;
};

TEST(BusIdentification, AcceptsOnlyTheCameraText) {
    ScriptedBus good;
    EXPECT_TRUE(good.bus->connect()) << "bytes 20..23 are not part of the identification";

    ScriptedBus longerText;
    longerText.transport->identification[19] = 'X';
    EXPECT_FALSE(longerText.bus->connect());

    ScriptedBus otherVersion;
    otherVersion.transport->identification[0] = 2;
    EXPECT_FALSE(otherVersion.bus->connect());
    EXPECT_FALSE(otherVersion.bus->connected());
}

TEST(BusIdentification, LineProbeDecidesTheSensorHeight) {
    ScriptedBus fifteen;
    fifteen.transport->lineProbe = 15;
    ASSERT_TRUE(fifteen.bus->connect());
    EXPECT_FALSE(fifteen.bus->lines480());

    ScriptedBus sixteen;
    sixteen.transport->lineProbe = 16;
    ASSERT_TRUE(sixteen.bus->connect());
    EXPECT_TRUE(sixteen.bus->lines480());
}

TEST(BusDisconnect, WaitsForTheTransferInFlightAndRefusesNewOnes) {
    ScriptedBus scripted;
    ASSERT_TRUE(scripted.bus->connect());
    scripted.transport->holdTransfers = true;

    std::array<std::uint8_t, 5> status{};
    auto held = std::async(std::launch::async, [&] {
        return scripted.bus->control({0x12, Direction::In, 0, 0}, status);
    });
    scripted.transport->waitForTransferInFlight();

    auto disconnecting = std::async(std::launch::async, [&] { scripted.bus->disconnect(); });
    // Disconnect has to wait: the device stays open while the transfer is held.
    EXPECT_EQ(disconnecting.wait_for(50ms), std::future_status::timeout);
    EXPECT_TRUE(scripted.transport->opened);

    scripted.transport->releaseTransfers();
    EXPECT_TRUE(held.get()) << "the transfer completed on an open device";
    disconnecting.get();
    EXPECT_FALSE(scripted.transport->opened);
    EXPECT_FALSE(scripted.bus->control({0x12, Direction::In, 0, 0}, status));
}

// A long EEPROM transfer moves at I2C speed on a real camera: its limit grows with its length.
TEST(BusControl, LimitGrowsWithTheLength) {
    ScriptedBus scripted;
    ASSERT_TRUE(scripted.bus->connect());
    for (const auto& [length, limit] :
         {std::pair{std::size_t{5}, 1001ms}, {32'768, 7553ms}, {65'535, 14'107ms}}) {
        std::vector<std::uint8_t> data(length);
        EXPECT_TRUE(scripted.bus->control({0x16, Direction::In, 0, 0}, data));
        EXPECT_EQ(scripted.transport->lastTimeout.load(), limit) << length << " bytes";
    }
}

class BusBulkRead : public ::testing::Test {
protected:
    void SetUp() override {
        vcam::Options options;
        options.framesPerSecond = 100;
        camera = std::make_shared<vcam::VirtualCamera>(options);
        bus = std::make_unique<Bus>(std::make_unique<VirtualTransport>(camera));
        ASSERT_TRUE(bus->connect());
    }

    std::shared_ptr<vcam::VirtualCamera> camera;
    std::unique_ptr<Bus> bus;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(614'912);
};

TEST_F(BusBulkRead, DeliversOneWholeFrame) {
    std::stop_source never;
    EXPECT_EQ(bus->readFrame(buffer, never.get_token()), 614'400u);
}

TEST_F(BusBulkRead, StalledFrameIsGivenUpAsEmptyAfterTheLimit) {
    camera->stallStream(std::chrono::seconds(30));
    std::stop_source never;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(bus->readFrame(buffer, never.get_token()), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, Bus::bulkReadLimit);
    EXPECT_EQ(camera->pendingBulkReads(), 0);
}

TEST_F(BusBulkRead, StopEndsAReadInFlight) {
    camera->stallStream(std::chrono::seconds(30));
    std::stop_source stop;
    auto reading =
        std::async(std::launch::async, [&] { return bus->readFrame(buffer, stop.get_token()); });
    ASSERT_TRUE([&] {
        for (int i = 0; i < 10'000 && camera->pendingBulkReads() == 0; ++i) {
            std::this_thread::sleep_for(1ms);
        }
        return camera->pendingBulkReads() == 1;
    }());
    stop.request_stop();
    EXPECT_EQ(reading.get(), 0u);
    EXPECT_EQ(camera->pendingBulkReads(), 0);
}

TEST_F(BusBulkRead, UnpluggedCameraFailsTheRead) {
    camera->stallStream(std::chrono::seconds(30));
    std::stop_source never;
    auto reading =
        std::async(std::launch::async, [&] { return bus->readFrame(buffer, never.get_token()); });
    camera->unplug();
    EXPECT_FALSE(reading.get().has_value());
}

}  // namespace
}  // namespace qlv
