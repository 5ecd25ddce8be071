// Decoding the sequence tags: what counts as a tag and what does not.
#include <gtest/gtest.h>

#include <algorithm>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Tags : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(readFrame(camera, frame), 640u * 480 * 2); }

    // Sets the luma of the whole top band.
    void paintTopBand(std::uint8_t luma) {
        for (std::size_t i = 0; i < 8 * 640 * 2; i += 2) {
            frame[i] = luma;
        }
    }

    VirtualCamera camera{quickCamera()};
    Bytes frame = Bytes(640 * 480 * 2);
};

TEST_F(Tags, PlainBandsAreNoTags) {
    paintTopBand(16);
    EXPECT_EQ(decodeTopTag(frame, 640, 480), std::nullopt) << "black";
    paintTopBand(235);
    EXPECT_EQ(decodeTopTag(frame, 640, 480), std::nullopt) << "white";
    EXPECT_TRUE(decodeBottomTag(frame, 640, 480)) << "the other band is untouched";
}

TEST_F(Tags, OneWrongBlockIsCaught) {
    const std::size_t middleRow = 4 * 640 * 2;
    for (int block = 0; block < 40; ++block) {
        Bytes damaged = frame;
        // Flip the block's luma in the row the decoder reads.
        for (int x = block * 16; x < block * 16 + 16; ++x) {
            std::uint8_t& luma = damaged[middleRow + static_cast<std::size_t>(x) * 2];
            luma = luma >= 128 ? 16 : 235;
        }
        EXPECT_EQ(decodeTopTag(damaged, 640, 480), std::nullopt) << "block " << block;
    }
}

TEST_F(Tags, SurviveNoiseAndBlurredEdges) {
    const auto tag = decodeTopTag(frame, 640, 480);
    ASSERT_TRUE(tag);
    for (std::size_t i = 0; i < 8 * 640 * 2; i += 2) {
        const int x = static_cast<int>(i / 2 % 640);
        const int luma = frame[i];
        const bool edge = x % 16 == 0 || x % 16 == 15;  // edges smear into their neighbours
        const int towardsGrey = (luma > 128 ? -1 : 1) * (edge ? 120 : 60);
        const int noise = (x % 3) * 7 - 7;
        frame[i] = static_cast<std::uint8_t>(std::clamp(luma + towardsGrey + noise, 0, 255));
    }
    EXPECT_EQ(decodeTopTag(frame, 640, 480), tag);
}

TEST_F(Tags, RefuseFramesThatCannotHoldThem) {
    EXPECT_EQ(decodeTopTag(std::span(frame).first(frame.size() - 1), 640, 480), std::nullopt);
    EXPECT_EQ(decodeBottomTag(frame, 640, 481), std::nullopt) << "buffer shorter than the size";
    EXPECT_EQ(decodeTopTag(frame, 20, 480), std::nullopt) << "narrower than the tag";
    EXPECT_EQ(decodeTopTag(frame, 640, 10), std::nullopt) << "bands would overlap";
    EXPECT_EQ(decodeTopTag({}, 0, 0), std::nullopt);
}

}  // namespace
}  // namespace vcam::test
