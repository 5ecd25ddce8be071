// Ports and the calls that need a started library.
#include "library_fixture.h"

namespace qlv::test {
namespace {

TEST(Unstarted, EveryCallFailsWithoutTouchingTheBus) {
    std::uint8_t bytes[8]{};
    std::int32_t value = 0;
    EXPECT_EQ(QLV_GetDevStatus(bytes), 1);
    EXPECT_EQ(QLV_EEPROMRead(0, 8, bytes), 1);
    EXPECT_EQ(QLV_OutputPort(1), 1);
    EXPECT_EQ(QLV_RecordStart(0), 1);
    EXPECT_EQ(QLV_CheckRecording(&value), 1);
    EXPECT_EQ(QLV_GetBufferIndex(), 0);
    EXPECT_EQ(QLV_InputPort(&value), 0);
    EXPECT_EQ(value, 4);
}

using Ports = LibraryTest;

TEST_F(Ports, OutputPortTakesOnlyZeroOrOne) {
    startConnected();
    EXPECT_EQ(QLV_OutputPort(1), 0);
    EXPECT_EQ(QLV_OutputPort(0), 0);
    EXPECT_EQ(QLV_OutputPort(2), 1);
    EXPECT_EQ(lastError(), 1);
}

TEST_F(Ports, InputPortFollowsThePresence) {
    startConnected();
    std::int32_t port = 0;
    EXPECT_EQ(QLV_InputPort(&port), 0);
    EXPECT_EQ(port, 8);
    EXPECT_EQ(QLV_InputPort(nullptr), 1);
}

}  // namespace
}  // namespace qlv::test
