// The display path on Windows: the display thread draws into a device context. A memory DC over a
// DIB section stands for a window's; GDI draws headless, under Wine too.
#include <windows.h>

#include <algorithm>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "library_fixture.h"

namespace qlv::test {
namespace {

constexpr std::uint32_t unpainted = 0x12345678u;

// A 32-bit top-down DIB section selected into a memory DC.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        std::fill_n(pixels_, pixelCount(), unpainted);
    }
    ~MemoryCanvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    HDC dc() const { return dc_; }
    bool valid() const { return dc_ != nullptr && pixels_ != nullptr; }
    // The pixels as drawn so far: detaching waits for a drawing in progress.
    std::vector<std::uint32_t> snapshot() {
        EXPECT_EQ(QLV_DispWinBitmap(nullptr, 0), 0);
        GdiFlush();
        std::vector<std::uint32_t> copy(pixels_, pixels_ + pixelCount());
        EXPECT_EQ(QLV_DispWinBitmap(dc_, 0), 0);
        return copy;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    std::size_t pixelCount() const { return static_cast<std::size_t>(width_ * height_); }
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

std::optional<std::uint32_t> topTagOn(const std::vector<std::uint32_t>& pixels, int width,
                                      int height) {
    std::vector<std::uint8_t> yuyv(static_cast<std::size_t>(width * height * 2), 128);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        yuyv[2 * i] = static_cast<std::uint8_t>(pixels[i] >> 8);  // green stands for luma
    }
    return vcam::decodeTopTag(yuyv, width, height);
}

bool allBlack(const std::vector<std::uint32_t>& pixels) {
    // GDI leaves the unused top byte of a 32-bit DIB at 0.
    return std::all_of(pixels.begin(), pixels.end(),
                       [](std::uint32_t p) { return (p & 0xFFFFFFu) == 0; });
}

class DisplayOnDc : public LibraryTest {};

TEST_F(DisplayOnDc, PictureReachesTheDeviceContextAndBlanksWhenSwitchedOff) {
    startConnected();
    MemoryCanvas canvas(640, 480);
    ASSERT_TRUE(canvas.valid());
    ASSERT_EQ(QLV_DispStart(), 0);
    ASSERT_EQ(QLV_DispSize(640, 480), 0);
    ASSERT_EQ(QLV_DispWinBitmap(canvas.dc(), 0), 0);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([&] { return allBlack(canvas.snapshot()); })) << "output starts blank";

    ASSERT_EQ(QLV_OutputPort(1), 0);
    EXPECT_TRUE(eventually([&] { return topTagOn(canvas.snapshot(), 640, 480).has_value(); }))
        << "the picture reaches the DC, tags readable";
    ASSERT_EQ(QLV_OutputPort(0), 0);
    EXPECT_TRUE(eventually([&] { return allBlack(canvas.snapshot()); }));

    ASSERT_EQ(QLV_DispWinBitmap(nullptr, 0), 0);
    ASSERT_EQ(QLV_DispStop(), 0);
    ASSERT_EQ(QLV_RecordStop(), 0);
}

TEST_F(DisplayOnDc, AnythingButADeviceContextIsRefused) {
    startConnected();
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(QLV_DispWinBitmap(reinterpret_cast<HDC>(event), 0), 1);
    CloseHandle(event);
    EXPECT_EQ(QLV_DispWinBitmap(reinterpret_cast<HDC>(std::uintptr_t{0x1234}), 0), 1);
}

}  // namespace
}  // namespace qlv::test
