// The library's own display path: fit, smooth scaling, the converter's start and the display
// thread's drawing into a caller's surface.
#include <algorithm>
#include <thread>
#include <vector>

#include "fit.h"
#include "frame_memory.h"
#include "library.h"
#include "library_fixture.h"
#include "stretch.h"

namespace qlv::test {
namespace {

constexpr std::uint32_t black = 0xFF000000u;
constexpr std::uint32_t unpainted = 0x12345678u;

TEST(Fit, KeepsTheAspectAndCentres) {
    EXPECT_EQ(fitFrame(640, 480, 1280, 1024, {}), (Rect{0, 32, 1280, 960}));
    EXPECT_EQ(fitFrame(1280, 1024, 800, 600, {}), (Rect{25, 0, 750, 600}));
    EXPECT_EQ(fitFrame(640, 480, 640, 480, {}), (Rect{0, 0, 640, 480}));
    EXPECT_EQ(fitFrame(640, 512, 1, 1, {}), (Rect{0, 0, 1, 1}));
    const Rect previous{1, 2, 3, 4};
    EXPECT_EQ(fitFrame(0, 480, 800, 600, previous), previous) << "no stream yet";
}

// A bottom-up BGR picture of `width` x `height` from a function of (x, top-down y).
struct Picture {
    Picture(int w, int h, const std::function<std::uint32_t(int, int)>& colour)
        : width(w),
          height(h),
          stride(static_cast<std::size_t>((3 * w + 3) & ~3)),
          bytes(stride * static_cast<std::size_t>(h)) {
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = bytes.data() + stride * static_cast<std::size_t>(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const std::uint32_t c = colour(x, y);
                row[3 * x] = static_cast<std::uint8_t>(c);
                row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
            }
        }
    }
    BgrImage image() const { return {bytes.data(), width, height, stride}; }
    int width, height;
    std::size_t stride;
    std::vector<std::uint8_t> bytes;
};

struct Canvas {
    Canvas(int w, int h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), unpainted) {}
    XrgbSurface surface() {
        return {pixels.data(), width, height, static_cast<std::size_t>(width) * 4};
    }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    int width, height;
    std::vector<std::uint32_t> pixels;
};

TEST(Stretch, SameSizeIsAnExactCopyTheRightWayUp) {
    const Picture picture(
        8, 6, [](int x, int y) { return static_cast<std::uint32_t>(x * 30 + y * 0x1000); });
    Canvas canvas(8, 6);
    SmoothStretcher().draw(picture.image(), canvas.surface(), {0, 0, 8, 6});
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(canvas.at(x, y), black | static_cast<std::uint32_t>(x * 30 + y * 0x1000));
        }
    }
}

TEST(Stretch, FlatColourStaysFlatAtAnyScaleAndOutsideIsUntouched) {
    const Picture picture(640, 480, [](int, int) { return 0x406080u; });
    Canvas canvas(300, 200);
    SmoothStretcher stretcher;
    stretcher.draw(picture.image(), canvas.surface(), {10, 20, 267, 150});
    EXPECT_EQ(canvas.at(9, 50), unpainted);
    EXPECT_EQ(canvas.at(10, 20), black | 0x406080u);
    EXPECT_EQ(canvas.at(276, 169), black | 0x406080u);
    EXPECT_EQ(canvas.at(277, 169), unpainted);
    EXPECT_EQ(canvas.at(100, 170), unpainted);
}

TEST(Stretch, ShrinkingAveragesAndClipsToTheSurface) {
    // One-pixel stripes, black and white: halved, they become grey.
    const Picture picture(64, 64, [](int x, int) { return x % 2 == 0 ? 0u : 0xFFFFFFu; });
    Canvas canvas(16, 16);
    SmoothStretcher().draw(picture.image(), canvas.surface(), {-4, -4, 32, 32});
    const std::uint32_t grey = canvas.at(8, 8) & 0xFF;
    EXPECT_NEAR(static_cast<int>(grey), 128, 2);
}

// The tag of a picture on an XRGB surface, read through its green channel.
std::optional<std::uint32_t> topTagOn(const std::vector<std::uint32_t>& pixels, int width,
                                      int height) {
    std::vector<std::uint8_t> yuyv(static_cast<std::size_t>(width * height * 2), 128);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        yuyv[2 * i] = static_cast<std::uint8_t>(pixels[i] >> 8);
    }
    return vcam::decodeTopTag(yuyv, width, height);
}

std::optional<std::uint32_t> topTagOfBitmap(const std::uint8_t* bitmapWithHeader, int width,
                                            int height) {
    const std::uint8_t* rows = bitmapWithHeader + bitmapHeaderSize;
    const auto stride = static_cast<std::size_t>((3 * width + 3) & ~3);
    std::vector<std::uint8_t> yuyv(static_cast<std::size_t>(width * height * 2), 128);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rows + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            yuyv[static_cast<std::size_t>(2 * (y * width + x))] = row[3 * x + 1];
        }
    }
    return vcam::decodeTopTag(yuyv, width, height);
}

class DisplayPath : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        startConnected();
        surface = {canvas.pixels.data(), canvas.width, canvas.height, canvas.width * 4};
    }

    // The surface as drawn so far: detaching it waits for a drawing in progress, so the copy is
    // never taken while the display thread writes.
    std::vector<std::uint32_t> snapshot() {
        EXPECT_EQ(QLV_DispWinBitmap(nullptr, 0), 0);
        auto copy = canvas.pixels;
        EXPECT_EQ(QLV_DispWinBitmap(&surface, 0), 0);
        return copy;
    }

    Canvas canvas{640, 480};
    QLV_Surface surface{};
};

TEST_F(DisplayPath, SizeAndTargetChecks) {
    EXPECT_EQ(QLV_DispSize(0, 600), 1);
    EXPECT_EQ(QLV_DispSize(800, -1), 1);
    EXPECT_EQ(QLV_DispSize(100000, 100000), 1) << "an area no draw could allocate";
    EXPECT_EQ(QLV_DispSize(16385, 600), 1);
    EXPECT_EQ(QLV_DispSize(800, 16385), 1);
    EXPECT_EQ(QLV_DispSize(800, 600), 0);
    QLV_Surface narrow{canvas.pixels.data(), 640, 480, 100};
    EXPECT_EQ(QLV_DispWinBitmap(&narrow, 0), 1);
    QLV_Surface empty{nullptr, 640, 480, 2560};
    EXPECT_EQ(QLV_DispWinBitmap(&empty, 0), 1);
    EXPECT_EQ(QLV_GetDIBData(nullptr), 1);
    EXPECT_EQ(QLV_GetRawData(nullptr), 1);
}

TEST_F(DisplayPath, FreezeRequestSetsTheCameraAndTheLibrary) {
    camera->clearRequests();
    ASSERT_EQ(QLV_DispWinBitmap(nullptr, 5), 0);
    const auto requests = camera->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].setup.request, 0x13);
    EXPECT_EQ(requests[0].setup.index, 4);
    EXPECT_EQ(requests[0].data, (std::vector<std::uint8_t>{0, 0, 1}));
    EXPECT_EQ(camera->status()[2], 1);
    std::int32_t frame = -1;
    EXPECT_EQ(QLV_GetRecordingFrame(&frame), 0);

    camera->unplug();
    ASSERT_TRUE(eventually([] { return !cameraPresent(); }));
    EXPECT_EQ(QLV_DispWinBitmap(nullptr, 0), 1) << "no camera to tell";
    EXPECT_EQ(QLV_GetRecordingFrame(&frame), 1)
        << "the library's freeze flag is cleared all the same";
}

TEST_F(DisplayPath, SurfaceStaysBlackUntilTheOutputIsSwitchedOn) {
    ASSERT_EQ(QLV_DispStart(), 0);
    ASSERT_EQ(QLV_DispSize(640, 480), 0);
    ASSERT_EQ(QLV_DispWinBitmap(&surface, 0), 0);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    const auto lib = library();
    ASSERT_TRUE(eventually([&] { return lib->bitmaps.counter >= 3; }));
    const auto allBlack = [](const std::vector<std::uint32_t>& pixels) {
        return std::all_of(pixels.begin(), pixels.end(),
                           [](std::uint32_t p) { return p == black; });
    };
    ASSERT_TRUE(eventually([&] { return snapshot().back() == black; }));
    EXPECT_TRUE(allBlack(snapshot()));

    ASSERT_EQ(QLV_OutputPort(1), 0);
    ASSERT_TRUE(eventually([&] { return topTagOn(snapshot(), 640, 480).has_value(); }))
        << "the picture reaches the surface, tags readable";
    ASSERT_EQ(QLV_OutputPort(0), 0);
    EXPECT_TRUE(eventually([&] { return allBlack(snapshot()); }));

    ASSERT_EQ(QLV_DispWinBitmap(nullptr, 0), 0);
    ASSERT_EQ(QLV_DispStop(), 0);
}

TEST_F(DisplayPath, FirstTwoFramesOfAStreamAreNeverShown) {
    camera->setFramesPerSecond(5);
    const auto lib = library();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 2; }));
    EXPECT_EQ(lib->bitmaps.counter, 0);
    EXPECT_FALSE(lib->bitmaps.frameReady);

    ASSERT_TRUE(eventually([&] { return lib->bitmaps.counter >= 1; }));
    std::vector<std::uint8_t> dib(displayBitmapSize);
    ASSERT_EQ(QLV_GetDIBData(dib.data()), 0);
    std::vector<std::uint8_t> raw(640 * 480 * 2);
    ASSERT_EQ(QLV_GetRawData(raw.data()), 0);
    const bool stillTheThirdFrame = QLV_GetBufferIndex() == 3;
    const auto shown = topTagOfBitmap(dib.data(), 640, 480);
    const auto rawTag = vcam::decodeTopTag(raw, 640, 480);
    const auto third = vcam::decodeTopTag({lib->streaming.internalSlot(2), raw.size()}, 640, 480);
    ASSERT_TRUE(shown.has_value());
    if (stillTheThirdFrame) {
        EXPECT_EQ(shown, rawTag) << "the bitmap is the raw frame converted";
        EXPECT_EQ(rawTag, third) << "the first frame shown is the third of the stream";
    }
}

TEST_F(DisplayPath, BitmapHeaderFollowsTheStream) {
    std::vector<std::uint8_t> dib(displayBitmapSize);
    ASSERT_EQ(QLV_GetDIBData(dib.data()), 0);
    const auto word = [&](std::size_t at) {
        return dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 | dib[at + 3] << 24;
    };
    EXPECT_EQ(word(0), 40);
    EXPECT_EQ(word(4), 1280);
    EXPECT_EQ(word(8), 1024);
    EXPECT_EQ(dib[14], 24);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_EQ(QLV_GetDIBData(dib.data()), 0);
    EXPECT_EQ(word(4), 640);
    EXPECT_EQ(word(8), 480);
}

TEST_F(DisplayPath, TargetsChangeSafelyWhileDrawing) {
    ASSERT_EQ(QLV_DispStart(), 0);
    ASSERT_EQ(QLV_OutputPort(1), 0);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return library()->bitmaps.frameReady.load(); }));
    for (int i = 0; i < 50; ++i) {
        // A surface that lives only until the next one replaces it.
        auto temporary = std::make_unique<Canvas>(320 + i, 240);
        QLV_Surface target{temporary->pixels.data(), temporary->width, temporary->height,
                           temporary->width * 4};
        ASSERT_EQ(QLV_DispWinBitmap(&target, 0), 0);
        std::this_thread::yield();
        ASSERT_EQ(QLV_DispWinBitmap(nullptr, 0), 0);
    }
    ASSERT_EQ(QLV_DispStop(), 0);
}

}  // namespace
}  // namespace qlv::test
