// The default bulk queue: each read goes to the bus only when its result is asked for.
#include <deque>

#include "transport/usb_transport.h"

namespace qlv {
namespace {

class SerialBulkQueue final : public BulkQueue {
public:
    explicit SerialBulkQueue(UsbTransport& transport) : transport_(transport) {}

    bool submit(std::span<std::uint8_t> buffer) override {
        buffers_.push_back(buffer);
        return true;
    }

    std::optional<std::size_t> next(std::chrono::milliseconds limit,
                                    std::stop_token stop) override {
        if (buffers_.empty()) {
            return std::nullopt;
        }
        const std::span<std::uint8_t> buffer = buffers_.front();
        buffers_.pop_front();
        const auto received = transport_.readBulk(buffer, limit, std::move(stop));
        if (!received || *received == 0) {
            buffers_.clear();
        }
        return received;
    }

    void cancel() override { buffers_.clear(); }
    std::size_t pending() override { return buffers_.size(); }

private:
    UsbTransport& transport_;
    std::deque<std::span<std::uint8_t>> buffers_;
};

}  // namespace

std::unique_ptr<BulkQueue> UsbTransport::bulkQueue() {
    return std::make_unique<SerialBulkQueue>(*this);
}

}  // namespace qlv
