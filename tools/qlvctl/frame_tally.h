// What a consumer saw of a stream: the frames it took from the ring, the frames it never saw, and
// the frames that were torn (top and bottom sequence tags disagree: the slot was rewritten while
// it was read).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace qlvctl {

class FrameTally {
public:
    // One frame taken from the ring. `completed` is the completed-frame count it was taken at;
    // `top` and `bottom` are its decoded sequence tags (nullopt when a band holds no tag).
    void add(std::int32_t completed, std::optional<std::uint32_t> top,
             std::optional<std::uint32_t> bottom);

    // Decodes the tags of a width x height YCbCr 4:2:2 frame and adds it.
    void addFrame(std::int32_t completed, std::span<const std::uint8_t> frame, int width,
                  int height);

    std::uint64_t received() const { return received_; }
    // Frames missing between consecutive frames received: by sequence tag where both frames carry
    // one, otherwise by the completed-frame count (which only sees frames that reached the ring).
    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t torn() const { return torn_; }

private:
    std::uint64_t received_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t torn_ = 0;
    std::optional<std::int32_t> previousCompleted_;
    std::optional<std::uint32_t> previousSequence_;
};

}  // namespace qlvctl
