#include "convert/yuyv_to_bgr.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace qlv::convert {

// Names the path in test names and failure messages instead of dumping its bytes.
void PrintTo(Path path, std::ostream* os);
void PrintTo(Path path, std::ostream* os) {
    *os << pathName(path);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Path kAllPaths[] = {Path::Scalar, Path::Ssse3, Path::Avx2, Path::Avx512};

// Fill for destination bytes the conversion must leave alone.
constexpr std::uint8_t kUntouched = 0xA5;

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

void PrintTo(const Bgr& p, std::ostream* os) {
    *os << "(B " << p.b << ", G " << p.g << ", R " << p.r << ")";
}

// The conversion written out from its definition, on purpose without the library's tables or
// any of its shortcuts: 16.16 sums, then saturated.
int clampFixed(std::int32_t v) {
    if (v < 0) {
        return 0;
    }
    if (v >= (1 << 24)) {
        return 255;
    }
    return v >> 16;
}

Bgr expectedPixel(int y, int cb, int cr) {
    const std::int32_t yf = y * 65536;
    return {clampFixed(yf + 116064 * (cb - 128)),
            clampFixed(yf - 22649 * (cb - 128) - 46825 * (cr - 128)),
            clampFixed(yf + 91894 * (cr - 128))};
}

Bgr pixelAt(std::span<const std::uint8_t> bitmap, std::size_t offset) {
    return {bitmap[offset], bitmap[offset + 1], bitmap[offset + 2]};
}

// The bitmap the conversion should produce, rows bottom-up; padding and any bytes after the last
// row keep kUntouched.
Bytes expectedBitmap(std::span<const std::uint8_t> yuyv, int width, int height, std::size_t stride,
                     std::size_t size) {
    Bytes out(size, kUntouched);
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    for (std::size_t row = 0; row < h; ++row) {
        const std::uint8_t* src = yuyv.data() + 2 * w * row;
        std::uint8_t* dst = out.data() + stride * (h - 1 - row);
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint8_t* pair = src + 4 * (x / 2);
            const Bgr p = expectedPixel(src[2 * x], pair[1], pair[3]);
            dst[3 * x] = static_cast<std::uint8_t>(p.b);
            dst[3 * x + 1] = static_cast<std::uint8_t>(p.g);
            dst[3 * x + 2] = static_cast<std::uint8_t>(p.r);
        }
    }
    return out;
}

// Empty when equal, else where the first difference lies, in memory rows of `stride` bytes.
std::string firstDifference(const Bytes& expected, const Bytes& actual, std::size_t stride) {
    const auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin());
    if (e == expected.end()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(e - expected.begin());
    std::ostringstream os;
    os << "memory row " << at / stride << ", byte " << at % stride << ": expected " << int{*e}
       << ", got " << int{*a};
    return os.str();
}

Bytes randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes out(size);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(byte(rng));
    }
    return out;
}

std::size_t frameBytes(int width, int height) {
    return 2 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// `size` bytes that end where an inaccessible page begins: touching anything past them faults.
class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t size) {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        mapped_ = (size + page - 1) / page * page + page;
        void* base =
            mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            throw std::runtime_error("mmap failed");
        }
        base_ = static_cast<std::uint8_t*>(base);
        if (mprotect(base_ + mapped_ - page, page, PROT_NONE) != 0) {
            munmap(base_, mapped_);
            throw std::runtime_error("mprotect failed");
        }
        bytes_ = {base_ + mapped_ - page - size, size};
    }
    ~GuardedBuffer() { munmap(base_, mapped_); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    std::span<std::uint8_t> bytes() const { return bytes_; }

private:
    std::uint8_t* base_ = nullptr;
    std::size_t mapped_ = 0;
    std::span<std::uint8_t> bytes_;
};

class ConvertPath : public testing::TestWithParam<Path> {
protected:
    void SetUp() override {
        if (!pathSupported(GetParam())) {
            GTEST_SKIP() << "this CPU cannot run the " << pathName(GetParam()) << " path";
        }
    }

    bool convert(std::span<const std::uint8_t> yuyv, int width, int height,
                 std::span<std::uint8_t> bgr, std::size_t stride) const {
        return convertFrameWith(GetParam(), yuyv, width, height, bgr, stride);
    }
};

INSTANTIATE_TEST_SUITE_P(AllPaths, ConvertPath, testing::ValuesIn(kAllPaths),
                         [](const testing::TestParamInfo<Path>& param) {
                             return std::string(pathName(param.param));
                         });

TEST_P(ConvertPath, KnownColours) {
    struct Case {
        std::uint8_t y0, cb, y1, cr;
        Bgr first, second;
    };
    const Case cases[] = {
        {255, 255, 255, 255, {255, 120, 255}, {255, 120, 255}},  // blue and red saturate high
        {128, 0, 128, 255, {0, 81, 255}, {0, 81, 255}},          // blue saturates low
        {0, 128, 255, 128, {0, 0, 0}, {255, 255, 255}},          // black, then white
        {255, 128, 0, 128, {255, 255, 255}, {0, 0, 0}},          // white, then black
    };
    // 65 pairs: full vector steps of every path plus a one-pair remainder.
    constexpr int kWidth = 130;
    Bytes yuyv;
    for (int p = 0; p < kWidth / 2; ++p) {
        const Case& c = cases[p % 4];
        yuyv.insert(yuyv.end(), {c.y0, c.cb, c.y1, c.cr});
    }
    Bytes bgr(bitmapStride(kWidth), kUntouched);
    ASSERT_TRUE(convert(yuyv, kWidth, 1, bgr, bgr.size()));
    for (int p = 0; p < kWidth / 2; ++p) {
        const Case& c = cases[p % 4];
        const auto at = static_cast<std::size_t>(6 * p);
        EXPECT_EQ(pixelAt(bgr, at), c.first) << "pair " << p;
        EXPECT_EQ(pixelAt(bgr, at + 3), c.second) << "pair " << p;
    }
}

// Every (Y, Cb, Cr), with each Y value in both positions of a pair: one 512 x 256 frame per Cr,
// one row per Cb; the Y values are rotated by row so that each meets every position in a step.
TEST_P(ConvertPath, MatchesTheFormulaForEveryInput) {
    constexpr int kWidth = 512;
    constexpr int kHeight = 256;
    constexpr std::size_t kStride = 3 * kWidth;
    Bytes yuyv(frameBytes(kWidth, kHeight));
    Bytes expected(kStride * kHeight);
    Bytes actual(kStride * kHeight);
    for (int cr = 0; cr < 256; ++cr) {
        for (int cb = 0; cb < kHeight; ++cb) {
            const auto row = static_cast<std::size_t>(cb);
            std::uint8_t* src = yuyv.data() + 2 * kWidth * row;
            std::uint8_t* dst = expected.data() + kStride * (kHeight - 1 - row);
            for (int p = 0; p < kWidth / 2; ++p, src += 4, dst += 6) {
                const int y0 = (p + cb) & 0xFF;
                const int y1 = 255 - y0;
                src[0] = static_cast<std::uint8_t>(y0);
                src[1] = static_cast<std::uint8_t>(cb);
                src[2] = static_cast<std::uint8_t>(y1);
                src[3] = static_cast<std::uint8_t>(cr);
                const Bgr first = expectedPixel(y0, cb, cr);
                const Bgr second = expectedPixel(y1, cb, cr);
                const int channels[] = {first.b, first.g, first.r, second.b, second.g, second.r};
                for (std::size_t i = 0; i < 6; ++i) {
                    dst[i] = static_cast<std::uint8_t>(channels[i]);
                }
            }
        }
        ASSERT_TRUE(convert(yuyv, kWidth, kHeight, actual, kStride));
        if (actual != expected) {
            const auto at = static_cast<std::size_t>(
                std::mismatch(expected.begin(), expected.end(), actual.begin()).first -
                expected.begin());
            const std::size_t cb = kHeight - 1 - at / kStride;
            const std::size_t pixel = at % kStride / 3;
            const std::size_t pixelAtStart = at - at % 3;
            FAIL() << "Y " << int{yuyv[2 * kWidth * cb + 2 * pixel]} << ", Cb " << cb << ", Cr "
                   << cr << ": expected " << testing::PrintToString(pixelAt(expected, pixelAtStart))
                   << ", got " << testing::PrintToString(pixelAt(actual, pixelAtStart));
        }
    }
}

// Rows of every length up to several vector steps and the common camera widths, each at the
// bitmap stride and at an odd, wider one: rows land bottom-up, padding keeps its bytes.
TEST_P(ConvertPath, EveryWidthAndStride) {
    std::vector<int> widths;
    for (int w = 2; w <= 260; w += 2) {
        widths.push_back(w);
    }
    widths.insert(widths.end(), {638, 640, 642, 1278, 1280});
    constexpr int kHeight = 3;
    for (int width : widths) {
        const auto w = static_cast<std::size_t>(width);
        for (std::size_t stride : {bitmapStride(width), 3 * w + 5}) {
            const Bytes yuyv =
                randomBytes(frameBytes(width, kHeight), static_cast<unsigned>(width));
            const std::size_t size = stride * kHeight;
            Bytes actual(size, kUntouched);
            ASSERT_TRUE(convert(yuyv, width, kHeight, actual, stride));
            EXPECT_EQ(
                firstDifference(expectedBitmap(yuyv, width, kHeight, stride, size), actual, stride),
                "")
                << "width " << width << ", stride " << stride;
        }
    }
}

// Source and destination of exactly the needed size, each followed by an inaccessible page: a
// read or write past either end crashes the test. The destination has no padding after its last
// row, which is all a frame needs.
TEST_P(ConvertPath, StaysWithinExactlySizedBuffers) {
    constexpr int kHeight = 2;
    for (int width = 2; width <= 200; width += 2) {
        const std::size_t stride = bitmapStride(width);
        const std::size_t dstSize = stride + 3 * static_cast<std::size_t>(width);
        const Bytes yuyv = randomBytes(frameBytes(width, kHeight), static_cast<unsigned>(width));
        GuardedBuffer src(yuyv.size());
        GuardedBuffer dst(dstSize);
        std::copy(yuyv.begin(), yuyv.end(), src.bytes().begin());
        std::fill(dst.bytes().begin(), dst.bytes().end(), kUntouched);
        ASSERT_TRUE(convert(src.bytes(), width, kHeight, dst.bytes(), stride));
        EXPECT_EQ(firstDifference(expectedBitmap(yuyv, width, kHeight, stride, dstSize),
                                  Bytes(dst.bytes().begin(), dst.bytes().end()), stride),
                  "")
            << "width " << width;
    }
}

TEST(ConvertFrame, RefusesWhatItCannotConvertAndWritesNothing) {
    constexpr int kWidth = 64;
    constexpr int kHeight = 4;
    const std::size_t stride = bitmapStride(kWidth);
    const Bytes source = randomBytes(frameBytes(kWidth, kHeight) + 64, 1);
    struct Case {
        const char* what;
        int width, height;
        std::size_t srcSize, dstSize, stride;
    };
    const std::size_t src = frameBytes(kWidth, kHeight);
    const std::size_t dst = stride * kHeight;
    const Case cases[] = {
        {"odd width", kWidth - 1, kHeight, src, dst, stride},
        {"zero width", 0, kHeight, src, dst, stride},
        {"negative width", -2, kHeight, src, dst, stride},
        {"zero height", kWidth, 0, src, dst, stride},
        {"negative height", kWidth, -1, src, dst, stride},
        {"source one byte short", kWidth, kHeight, src - 1, dst, stride},
        {"destination one byte short", kWidth, kHeight, src, dst - stride + 3 * kWidth - 1, stride},
        {"stride shorter than a row", kWidth, kHeight, src, dst, 3 * kWidth - 1},
        {"destination size overflows", kWidth, kHeight, src, dst,
         std::numeric_limits<std::size_t>::max() / 2},
    };
    for (const Case& c : cases) {
        Bytes bgr(c.dstSize, kUntouched);
        const std::span<const std::uint8_t> in(source.data(), c.srcSize);
        EXPECT_FALSE(convertFrame(in, c.width, c.height, bgr, c.stride)) << c.what;
        for (Path path : kAllPaths) {
            EXPECT_FALSE(convertFrameWith(path, in, c.width, c.height, bgr, c.stride))
                << c.what << ", " << pathName(path);
        }
        EXPECT_EQ(std::count(bgr.begin(), bgr.end(), kUntouched), std::ssize(bgr)) << c.what;
    }
}

TEST(ConvertFrame, RefusesOverlappingBuffers) {
    constexpr int kWidth = 16;
    constexpr int kHeight = 2;
    Bytes buffer(frameBytes(kWidth, kHeight) + bitmapStride(kWidth) * kHeight, 0x80);
    const Bytes before = buffer;
    const std::span<const std::uint8_t> src(buffer.data(), frameBytes(kWidth, kHeight));
    // The destination starts inside the source's last row.
    const std::span<std::uint8_t> dst(buffer.data() + src.size() - 4,
                                      bitmapStride(kWidth) * kHeight);
    EXPECT_FALSE(convertFrame(src, kWidth, kHeight, dst, bitmapStride(kWidth)));
    EXPECT_EQ(buffer, before);
}

TEST(ConvertFrame, UsesTheWidestSupportedPath) {
    Path widest = Path::Scalar;
    for (Path path : kAllPaths) {
        if (pathSupported(path)) {
            widest = path;
        }
    }
    EXPECT_EQ(activePath(), widest) << "active: " << pathName(activePath());

    constexpr int kWidth = 1280;
    constexpr int kHeight = 4;
    const std::size_t stride = bitmapStride(kWidth);
    const Bytes yuyv = randomBytes(frameBytes(kWidth, kHeight), 7);
    Bytes actual(stride * kHeight, kUntouched);
    ASSERT_TRUE(convertFrame(yuyv, kWidth, kHeight, actual, stride));
    EXPECT_EQ(firstDifference(expectedBitmap(yuyv, kWidth, kHeight, stride, actual.size()), actual,
                              stride),
              "");
}

}  // namespace
}  // namespace qlv::convert
