// The stream report's bookkeeping: which frames count as dropped and which as torn.
#include <gtest/gtest.h>

#include "frame_tally.h"

namespace qlvctl {
namespace {

TEST(FrameTallyTest, ConsecutiveSequenceNumbersDropNothing) {
    FrameTally tally;
    tally.add(1, 100, 100);
    tally.add(2, 101, 101);
    tally.add(3, 102, 102);
    EXPECT_EQ(tally.received(), 3u);
    EXPECT_EQ(tally.dropped(), 0u);
    EXPECT_EQ(tally.torn(), 0u);
}

TEST(FrameTallyTest, SequenceGapsCountFramesLostBeforeTheRing) {
    // The ring count says nothing was skipped, but the camera's numbers jumped: frames were lost
    // on the bus, which only the tags can show.
    FrameTally tally;
    tally.add(1, 10, 10);
    tally.add(2, 13, 13);
    tally.add(3, 14, 14);
    EXPECT_EQ(tally.dropped(), 2u);
}

TEST(FrameTallyTest, SkippedRingSlotsCountWhenFramesCarryNoTags) {
    FrameTally tally;
    tally.add(1, std::nullopt, std::nullopt);
    tally.add(4, std::nullopt, std::nullopt);
    tally.add(5, std::nullopt, std::nullopt);
    EXPECT_EQ(tally.received(), 3u);
    EXPECT_EQ(tally.dropped(), 2u);
    EXPECT_EQ(tally.torn(), 0u) << "untagged frames come from a camera that does not tag";
}

TEST(FrameTallyTest, FirstFrameDropsNothingWhateverItsNumbers) {
    FrameTally tally;
    tally.add(7, 5000, 5000);
    EXPECT_EQ(tally.dropped(), 0u);
}

TEST(FrameTallyTest, DisagreeingOrMissingTagMarksTheFrameTorn) {
    FrameTally tally;
    tally.add(1, 20, 20);
    tally.add(2, 21, 26);            // bottom rows already rewritten by a later frame
    tally.add(3, 22, std::nullopt);  // bottom band overwritten mid-tag
    tally.add(4, std::nullopt, 23);
    EXPECT_EQ(tally.torn(), 3u);
    EXPECT_EQ(tally.received(), 4u);
}

TEST(FrameTallyTest, TornFrameFallsBackToTheRingCountForGaps) {
    FrameTally tally;
    tally.add(1, 20, 20);
    tally.add(3, 22, 99);  // torn: its number is not trusted, the ring count shows one skipped
    tally.add(4, 23, 23);
    EXPECT_EQ(tally.torn(), 1u);
    EXPECT_EQ(tally.dropped(), 1u);
}

TEST(FrameTallyTest, RestartedOrRepeatedNumbersAreNotLosses) {
    FrameTally tally;
    tally.add(1, 500, 500);
    tally.add(2, 500, 500);  // the same frame again (a camera that repeats a frozen picture)
    tally.add(3, 3, 3);      // the camera was replugged and counts from the start
    tally.add(4, 4, 4);
    EXPECT_EQ(tally.dropped(), 0u);
}

TEST(FrameTallyTest, SequenceNumbersWrapWithoutLoss) {
    FrameTally tally;
    tally.add(1, 0xFFFF'FFFEu, 0xFFFF'FFFEu);
    tally.add(2, 0xFFFF'FFFFu, 0xFFFF'FFFFu);
    tally.add(3, 0, 0);
    tally.add(4, 2, 2);
    EXPECT_EQ(tally.dropped(), 1u);
}

}  // namespace
}  // namespace qlvctl
