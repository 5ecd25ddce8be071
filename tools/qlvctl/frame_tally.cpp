#include "frame_tally.h"

#include <virtual_camera/virtual_camera.h>

namespace qlvctl {
namespace {

// Sequence numbers wrap at 2^32; a step "backwards" means the camera started counting again (a
// replug), not four billion lost frames.
constexpr std::uint32_t largestForwardStep = 0x8000'0000u;

}  // namespace

void FrameTally::add(std::int32_t completed, std::optional<std::uint32_t> top,
                     std::optional<std::uint32_t> bottom) {
    ++received_;

    std::optional<std::uint32_t> sequence;
    if (top && bottom && *top == *bottom) {
        sequence = top;
    } else if (top || bottom) {
        ++torn_;  // a frame without any tag comes from a camera that does not tag; not torn
    }

    if (sequence && previousSequence_) {
        const std::uint32_t step = *sequence - *previousSequence_;
        if (step != 0 && step < largestForwardStep) {
            dropped_ += step - 1;
        }
    } else if (previousCompleted_ && completed > *previousCompleted_) {
        dropped_ += static_cast<std::uint64_t>(completed - *previousCompleted_ - 1);
    }
    previousCompleted_ = completed;
    previousSequence_ = sequence;
}

void FrameTally::addFrame(std::int32_t completed, std::span<const std::uint8_t> frame, int width,
                          int height) {
    add(completed, vcam::decodeTopTag(frame, width, height),
        vcam::decodeBottomTag(frame, width, height));
}

}  // namespace qlvctl
