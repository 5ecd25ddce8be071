// Start and end of the library: repeated cycles, misuse, a failed start and the threads it ends.
#include <dirent.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "frame_memory.h"
#include "library_fixture.h"

namespace qlv::test {
namespace {

// Names of this process's threads that belong to the library.
int libraryThreads() {
    int count = 0;
    DIR* tasks = opendir("/proc/self/task");
    while (dirent* entry = readdir(tasks)) {
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        if (comm >> name && name.rfind("qlv-", 0) == 0) {
            ++count;
        }
    }
    closedir(tasks);
    return count;
}

using Lifecycle = LibraryTest;

TEST_F(Lifecycle, StartTwiceAndEndTwiceAreRefused) {
    EXPECT_EQ(QLV_Term(), 1) << "end before start";
    EXPECT_EQ(lastError(), 1);
    ASSERT_EQ(QLV_Init(), 0);
    EXPECT_EQ(QLV_Init(), 1);
    EXPECT_EQ(lastError(), 1);
    EXPECT_EQ(QLV_Term(), 0);
    EXPECT_EQ(lastError(), 0);
    EXPECT_EQ(QLV_Term(), 1);
}

TEST_F(Lifecycle, RepeatedCyclesConnectEveryTime) {
    for (int cycle = 0; cycle < 5; ++cycle) {
        startConnected();
        std::uint8_t status[5]{};
        EXPECT_EQ(QLV_GetDevStatus(status), 0);
        EXPECT_EQ(status[0], 1);
        ASSERT_EQ(QLV_Term(), 0);
        EXPECT_FALSE(cameraPresent());
    }
}

TEST_F(Lifecycle, EndJoinsEveryLibraryThread) {
    startConnected();
    EXPECT_GE(libraryThreads(), 1);
    ASSERT_EQ(QLV_Term(), 0);
    EXPECT_EQ(libraryThreads(), 0);
}

TEST_F(Lifecycle, EndWhileStreamingStopsTheReader) {
    startConnected();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 2; }));
    ASSERT_EQ(QLV_Term(), 0);
    EXPECT_EQ(libraryThreads(), 0);
    EXPECT_EQ(camera->pendingBulkReads(), 0);
}

// Exports racing an end see the library or its absence, never freed memory (AddressSanitizer
// watches).
TEST_F(Lifecycle, EndWhileOtherThreadsCallIn) {
    for (int cycle = 0; cycle < 5; ++cycle) {
        startConnected();
        std::atomic<bool> stop{false};
        std::array<std::atomic<int>, 2> calls{};
        std::vector<std::jthread> callers;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            callers.emplace_back([&, i] {
                std::uint8_t bytes[32]{};
                std::int32_t state = 0;
                while (!stop) {
                    QLV_GetDevStatus(bytes);
                    QLV_EEPROMRead(0x2000, 32, bytes);
                    QLV_CheckRecording(&state);
                    ++calls[i];
                }
            });
        }
        const auto callsMade = [&](int count) {
            return eventually([&] { return calls[0] >= count && calls[1] >= count; });
        };
        ASSERT_TRUE(callsMade(20));
        ASSERT_EQ(QLV_Term(), 0);
        const int atEnd = std::max(calls[0].load(), calls[1].load());
        ASSERT_TRUE(callsMade(atEnd + 20));
        stop = true;
        callers.clear();
        EXPECT_EQ(libraryThreads(), 0);
    }
}

TEST_F(Lifecycle, StartWithoutMemoryFailsAndLeavesNothingBehind) {
    limitFrameMemoryForTesting(10 * 1024 * 1024);
    EXPECT_EQ(QLV_Init(), 1);
    limitFrameMemoryForTesting(0);
    EXPECT_EQ(libraryThreads(), 0);
    EXPECT_EQ(QLV_Term(), 1) << "a failed start leaves the library unstarted";
    startConnected();
}

TEST(LibraryVersion, ReportsTwoFiveAndChecksItsArguments) {
    std::int32_t version = -7;
    EXPECT_EQ(QLV_GetVersion(0, &version), 0);
    EXPECT_EQ(version, 0x20005);
    version = -7;
    EXPECT_EQ(QLV_GetVersion(1, &version), 1);
    EXPECT_EQ(version, -7);
    EXPECT_EQ(QLV_GetVersion(0, nullptr), 1);
}

TEST(LibraryLastError, NullOutLeavesTheLastErrorAlone) {
    std::int32_t version = 0;
    QLV_GetVersion(0, &version);  // records 0
    EXPECT_EQ(QLV_GetError(nullptr), 1);
    EXPECT_EQ(lastError(), 0);
    QLV_GetVersion(5, &version);  // records 1
    EXPECT_EQ(QLV_GetError(nullptr), 1);
    EXPECT_EQ(lastError(), 1);
}

}  // namespace
}  // namespace qlv::test
