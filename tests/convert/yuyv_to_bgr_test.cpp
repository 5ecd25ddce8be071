#include "convert/yuyv_to_bgr.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include "convert/row_kernels.h"

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
void PrintTo(Stores stores, std::ostream* os);
void PrintTo(Stores stores, std::ostream* os) {
    *os << storesName(stores);
}
void PrintTo(Formula formula, std::ostream* os);
void PrintTo(Formula formula, std::ostream* os) {
    *os << formulaName(formula);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Path kAllPaths[] = {Path::Scalar, Path::Ssse3, Path::Avx2, Path::Avx512};
constexpr Formula kFormulas[] = {Formula::Library, Formula::ViewerDecimal};

// A formula, a path and the stores it writes with: every path with regular stores, the vector
// ones also streaming.
struct Variant {
    Formula formula;
    Path path;
    Stores stores;
};

std::string variantName(const Variant& v) {
    std::string name = formulaName(v.formula);
    name += "_";
    name += pathName(v.path);
    if (v.stores == Stores::Streaming) {
        name += "_streaming";
    }
    return name;
}

void PrintTo(const Variant& v, std::ostream* os) {
    *os << variantName(v);
}

std::vector<Variant> allVariants() {
    std::vector<Variant> variants;
    for (Formula formula : kFormulas) {
        for (Path path : kAllPaths) {
            variants.push_back({formula, path, Stores::Regular});
        }
        for (Path path : {Path::Ssse3, Path::Avx2, Path::Avx512}) {
            variants.push_back({formula, path, Stores::Streaming});
        }
    }
    return variants;
}

const std::vector<Variant> kAllVariants = allVariants();

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

Bgr expectedLibraryPixel(int y, int cb, int cr) {
    const std::int32_t yf = y * 65536;
    return {clampFixed(yf + 116064 * (cb - 128)),
            clampFixed(yf - 22649 * (cb - 128) - 46825 * (cr - 128)),
            clampFixed(yf + 91894 * (cr - 128))};
}

// The viewer's tables: a factor in ten-thousandths times (i - 128), divided as C divides integers.
int decimalTerm(int factor, int i) {
    return factor * (i - 128) / 10000;
}

int clampByte(int v) {
    return std::clamp(v, 0, 255);
}

Bgr expectedDecimalPixel(int y, int u, int v) {
    return {clampByte(y + decimalTerm(17710, u)),
            clampByte(y - decimalTerm(7145, v) - decimalTerm(3456, u)),
            clampByte(y + decimalTerm(14022, v))};
}

Bgr expectedPixel(Formula formula, int y, int cb, int cr) {
    return formula == Formula::Library ? expectedLibraryPixel(y, cb, cr)
                                       : expectedDecimalPixel(y, cb, cr);
}

Bgr pixelAt(std::span<const std::uint8_t> bitmap, std::size_t offset) {
    return {bitmap[offset], bitmap[offset + 1], bitmap[offset + 2]};
}

// The bitmap the conversion should produce, rows bottom-up; padding and any bytes after the last
// row keep kUntouched.
Bytes expectedBitmap(Formula formula, std::span<const std::uint8_t> yuyv, int width, int height,
                     std::size_t stride, std::size_t size) {
    Bytes out(size, kUntouched);
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    for (std::size_t row = 0; row < h; ++row) {
        const std::uint8_t* src = yuyv.data() + 2 * w * row;
        std::uint8_t* dst = out.data() + stride * (h - 1 - row);
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint8_t* pair = src + 4 * (x / 2);
            const Bgr p = expectedPixel(formula, src[2 * x], pair[1], pair[3]);
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

// `size` bytes next to an inaccessible page: touching anything past their end (Guard::After) or
// before their start (Guard::Before, which also puts them at a page, and so line, boundary)
// faults.
class GuardedBuffer {
public:
    enum class Guard { After, Before };

    GuardedBuffer(std::size_t size, Guard guard) {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        mapped_ = (size + page - 1) / page * page + page;
        void* base =
            mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            throw std::runtime_error("mmap failed");
        }
        base_ = static_cast<std::uint8_t*>(base);
        std::uint8_t* guardPage = guard == Guard::After ? base_ + mapped_ - page : base_;
        if (mprotect(guardPage, page, PROT_NONE) != 0) {
            munmap(base_, mapped_);
            throw std::runtime_error("mprotect failed");
        }
        bytes_ = {guard == Guard::After ? guardPage - size : guardPage + page, size};
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

// `size` bytes starting `offset` bytes past a 64-byte (cache line) boundary, inside a buffer with
// `margin` more bytes on either side; all of it starts as kUntouched.
class OffsetBuffer {
public:
    OffsetBuffer(std::size_t size, std::size_t offset, std::size_t margin = 64)
        : storage_(size + 2 * margin + 128, kUntouched) {
        const auto at = reinterpret_cast<std::uintptr_t>(storage_.data() + margin);
        const std::size_t start = margin + (64 - at % 64) % 64 + offset;
        bytes_ = {storage_.data() + start, size};
    }

    std::span<std::uint8_t> bytes() { return bytes_; }
    // The whole buffer, margins included, and where bytes() starts in it.
    const Bytes& all() const { return storage_; }
    std::size_t start() const { return static_cast<std::size_t>(bytes_.data() - storage_.data()); }

private:
    Bytes storage_;
    std::span<std::uint8_t> bytes_;
};

// The whole of an OffsetBuffer as it should be after converting yuyv into it.
Bytes expectedBuffer(Formula formula, const OffsetBuffer& buffer,
                     std::span<const std::uint8_t> yuyv, int width, int height, std::size_t stride,
                     std::size_t size) {
    Bytes out(buffer.all().size(), kUntouched);
    const Bytes bitmap = expectedBitmap(formula, yuyv, width, height, stride, size);
    std::copy(bitmap.begin(), bitmap.end(), out.begin() + std::ptrdiff_t(buffer.start()));
    return out;
}

class ConvertPath : public testing::TestWithParam<Variant> {
protected:
    void SetUp() override {
        if (!storesSupported(GetParam().path, GetParam().stores)) {
            GTEST_SKIP() << "this CPU cannot run " << variantName(GetParam());
        }
    }

    bool convert(std::span<const std::uint8_t> yuyv, int width, int height,
                 std::span<std::uint8_t> bgr, std::size_t stride) const {
        return convertFrameWith(GetParam().formula, GetParam().path, GetParam().stores, yuyv, width,
                                height, bgr, stride);
    }

    Bytes expected(std::span<const std::uint8_t> yuyv, int width, int height, std::size_t stride,
                   std::size_t size) const {
        return expectedBitmap(GetParam().formula, yuyv, width, height, stride, size);
    }
};

INSTANTIATE_TEST_SUITE_P(AllPaths, ConvertPath, testing::ValuesIn(kAllVariants),
                         [](const testing::TestParamInfo<Variant>& param) {
                             return variantName(param.param);
                         });

// Worked out by hand, so that they also check the reference the other tests compare with.
TEST_P(ConvertPath, KnownColours) {
    struct Case {
        std::uint8_t y0, cb, y1, cr;
        Bgr first, second;
    };
    const std::vector<Case> libraryCases = {
        {255, 255, 255, 255, {255, 120, 255}, {255, 120, 255}},  // blue and red saturate high
        {128, 0, 128, 255, {0, 81, 255}, {0, 81, 255}},          // blue saturates low
        {0, 128, 255, 128, {0, 0, 0}, {255, 255, 255}},          // black, then white
        {255, 128, 0, 128, {255, 255, 255}, {0, 0, 0}},          // white, then black
    };
    // Negative terms are truncated toward zero: -226.688 is -226, -0.3456 is 0. Rounding down
    // instead would change every first pixel below.
    const std::vector<Case> decimalCases = {
        {255, 255, 255, 255, {255, 122, 255}, {255, 122, 255}},  // blue and red saturate high
        {227, 0, 180, 0, {1, 255, 48}, {0, 255, 1}},             // the most negative terms
        {2, 127, 120, 129, {1, 2, 3}, {119, 120, 121}},          // terms of -1.4022 and 1.771
        {100, 1, 50, 200, {0, 92, 200}, {0, 42, 150}},
        {0, 128, 255, 128, {0, 0, 0}, {255, 255, 255}},  // black, then white
    };
    const std::vector<Case>& cases =
        GetParam().formula == Formula::Library ? libraryCases : decimalCases;
    // 65 pairs: full vector steps of every path plus a one-pair remainder.
    constexpr int kWidth = 130;
    Bytes yuyv;
    for (std::size_t p = 0; p < kWidth / 2; ++p) {
        const Case& c = cases[p % cases.size()];
        yuyv.insert(yuyv.end(), {c.y0, c.cb, c.y1, c.cr});
    }
    Bytes bgr(bitmapStride(kWidth), kUntouched);
    ASSERT_TRUE(convert(yuyv, kWidth, 1, bgr, bgr.size()));
    for (std::size_t p = 0; p < kWidth / 2; ++p) {
        const Case& c = cases[p % cases.size()];
        const auto at = static_cast<std::size_t>(6 * p);
        EXPECT_EQ(pixelAt(bgr, at), c.first) << "pair " << p;
        EXPECT_EQ(pixelAt(bgr, at + 3), c.second) << "pair " << p;
    }
}

// Every (Y, Cb, Cr), with each Y value in both positions of a pair: one 512 x 256 frame per Cr,
// one row per Cb; the Y values are rotated by row so that each meets every position in a step.
// Each frame goes to rows on cache-line boundaries, where a streaming path streams every pair,
// and to rows 40 bytes past them, as after a bitmap header, where it also cuts a head and a tail.
TEST_P(ConvertPath, MatchesTheFormulaForEveryInput) {
    constexpr int kWidth = 512;
    constexpr int kHeight = 256;
    constexpr std::size_t kStride = 3 * kWidth;
    static_assert(kStride % 64 == 0);
    constexpr std::size_t kOffsets[] = {0, 40};
    Bytes yuyv(frameBytes(kWidth, kHeight));
    Bytes expected(kStride * kHeight);
    std::vector<OffsetBuffer> actual;
    for (std::size_t offset : kOffsets) {
        actual.emplace_back(kStride * kHeight, offset);
    }
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
                const Bgr first = expectedPixel(GetParam().formula, y0, cb, cr);
                const Bgr second = expectedPixel(GetParam().formula, y1, cb, cr);
                const int channels[] = {first.b, first.g, first.r, second.b, second.g, second.r};
                for (std::size_t i = 0; i < 6; ++i) {
                    dst[i] = static_cast<std::uint8_t>(channels[i]);
                }
            }
        }
        for (std::size_t i = 0; i < std::size(kOffsets); ++i) {
            const std::span<std::uint8_t> bgr = actual[i].bytes();
            ASSERT_TRUE(convert(yuyv, kWidth, kHeight, bgr, kStride));
            const auto [e, a] = std::mismatch(expected.begin(), expected.end(), bgr.begin());
            if (e != expected.end()) {
                const auto at = static_cast<std::size_t>(e - expected.begin());
                const std::size_t cb = kHeight - 1 - at / kStride;
                const std::size_t pixel = at % kStride / 3;
                const std::size_t pixelAtStart = at - at % 3;
                FAIL() << "offset " << kOffsets[i] << ", Y "
                       << int{yuyv[2 * kWidth * cb + 2 * pixel]} << ", Cb " << cb << ", Cr " << cr
                       << ": expected " << testing::PrintToString(pixelAt(expected, pixelAtStart))
                       << ", got " << testing::PrintToString(pixelAt(bgr, pixelAtStart));
            }
        }
    }
    for (std::size_t i = 0; i < std::size(kOffsets); ++i) {
        Bytes margins = actual[i].all();
        const auto start = static_cast<std::ptrdiff_t>(actual[i].start());
        margins.erase(margins.begin() + start, margins.begin() + start + kStride * kHeight);
        EXPECT_EQ(std::count(margins.begin(), margins.end(), kUntouched), std::ssize(margins))
            << "bytes around the bitmap were written, offset " << kOffsets[i];
    }
}

// Rows of every length up to several vector steps and the common camera widths; at the bitmap
// stride, at the unpadded one, at an odd one (rows alternate between odd and even addresses) and
// at one that moves each row 2 bytes further from a cache line boundary; each starting at every
// offset from a boundary. Rows land bottom-up; padding and the bytes around the bitmap keep theirs.
TEST_P(ConvertPath, EveryWidthStrideAndOffset) {
    std::vector<int> widths;
    for (int w = 2; w <= 260; w += 2) {
        widths.push_back(w);
    }
    widths.insert(widths.end(), {638, 640, 642, 1278, 1280});
    constexpr int kHeight = 3;
    for (int width : widths) {
        const auto w = static_cast<std::size_t>(width);
        for (std::size_t stride : {bitmapStride(width), 3 * w, 3 * w + 5, 3 * w + 66}) {
            const Bytes yuyv =
                randomBytes(frameBytes(width, kHeight), static_cast<unsigned>(width));
            const std::size_t size = stride * kHeight;
            const Bytes expected = this->expected(yuyv, width, kHeight, stride, size);
            for (std::size_t offset = 0; offset < 64; ++offset) {
                OffsetBuffer actual(size, offset);
                ASSERT_TRUE(convert(yuyv, width, kHeight, actual.bytes(), stride));
                const Bytes whole = actual.all();
                const Bytes bitmap(whole.begin() + std::ptrdiff_t(actual.start()),
                                   whole.begin() + std::ptrdiff_t(actual.start() + size));
                ASSERT_EQ(firstDifference(expected, bitmap, stride), "")
                    << "width " << width << ", stride " << stride << ", offset " << offset;
                ASSERT_EQ(std::count(whole.begin(), whole.end(), kUntouched) -
                              std::count(bitmap.begin(), bitmap.end(), kUntouched),
                          std::ssize(whole) - std::ssize(bitmap))
                    << "bytes around the bitmap were written: width " << width << ", stride "
                    << stride << ", offset " << offset;
            }
        }
    }
}

// Source and destination of exactly the needed size with an inaccessible page right after them,
// and again right before them: a read or write past either end crashes the test. The destination
// has no padding after its last row, which is all a frame needs.
TEST_P(ConvertPath, StaysWithinExactlySizedBuffers) {
    constexpr int kHeight = 2;
    for (GuardedBuffer::Guard guard : {GuardedBuffer::Guard::After, GuardedBuffer::Guard::Before}) {
        for (int width = 2; width <= 200; width += 2) {
            const std::size_t stride = bitmapStride(width);
            const std::size_t dstSize = stride + 3 * static_cast<std::size_t>(width);
            const Bytes yuyv =
                randomBytes(frameBytes(width, kHeight), static_cast<unsigned>(width));
            GuardedBuffer src(yuyv.size(), guard);
            GuardedBuffer dst(dstSize, guard);
            std::copy(yuyv.begin(), yuyv.end(), src.bytes().begin());
            std::fill(dst.bytes().begin(), dst.bytes().end(), kUntouched);
            ASSERT_TRUE(convert(src.bytes(), width, kHeight, dst.bytes(), stride));
            EXPECT_EQ(firstDifference(expected(yuyv, width, kHeight, stride, dstSize),
                                      Bytes(dst.bytes().begin(), dst.bytes().end()), stride),
                      "")
                << "width " << width
                << (guard == GuardedBuffer::Guard::After ? ", guard after" : ", guard before");
        }
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
        auto used = static_cast<Stores>(-1);
        EXPECT_FALSE(convertFrame(in, c.width, c.height, bgr, c.stride, &used)) << c.what;
        for (Formula formula : kFormulas) {
            EXPECT_FALSE(convertFrame(formula, in, c.width, c.height, bgr, c.stride, &used))
                << c.what << ", " << formulaName(formula);
        }
        EXPECT_EQ(static_cast<int>(used), -1) << c.what;
        for (Path path : kAllPaths) {
            EXPECT_FALSE(convertFrameWith(path, in, c.width, c.height, bgr, c.stride))
                << c.what << ", " << pathName(path);
        }
        for (const Variant& v : kAllVariants) {
            if (v.formula == Formula::Library) {
                EXPECT_FALSE(
                    convertFrameWith(v.path, v.stores, in, c.width, c.height, bgr, c.stride))
                    << c.what << ", " << variantName(v);
            }
            EXPECT_FALSE(
                convertFrameWith(v.formula, v.path, v.stores, in, c.width, c.height, bgr, c.stride))
                << c.what << ", " << variantName(v);
        }
        EXPECT_EQ(std::count(bgr.begin(), bgr.end(), kUntouched), std::ssize(bgr)) << c.what;
    }
}

TEST(ConvertFrame, ScalarPathHasNoStreamingForm) {
    EXPECT_FALSE(storesSupported(Path::Scalar, Stores::Streaming));
    constexpr int kWidth = 128;
    const Bytes yuyv = randomBytes(frameBytes(kWidth, 1), 3);
    Bytes bgr(bitmapStride(kWidth), kUntouched);
    EXPECT_FALSE(
        convertFrameWith(Path::Scalar, Stores::Streaming, yuyv, kWidth, 1, bgr, bgr.size()));
    EXPECT_EQ(std::count(bgr.begin(), bgr.end(), kUntouched), std::ssize(bgr));
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
    EXPECT_FALSE(
        convertFrame(Formula::ViewerDecimal, src, kWidth, kHeight, dst, bitmapStride(kWidth)));
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
    for (Formula formula : kFormulas) {
        Bytes actual(stride * kHeight, kUntouched);
        ASSERT_TRUE(convertFrame(formula, yuyv, kWidth, kHeight, actual, stride));
        EXPECT_EQ(
            firstDifference(expectedBitmap(formula, yuyv, kWidth, kHeight, stride, actual.size()),
                            actual, stride),
            "")
            << formulaName(formula);
    }
}

// The bytes a frame's destination spans: what activeStores is asked about.
std::size_t spannedBytes(int width, int height) {
    return bitmapStride(width) * static_cast<std::size_t>(height - 1) +
           3 * static_cast<std::size_t>(width);
}

// The library streams large bitmaps only; the viewer, which converts into one bitmap it keeps and
// copies, never streams.
TEST(ConvertFrame, StreamsLargeLibraryBitmapsOnly) {
    const bool canStream = storesSupported(activePath(), Stores::Streaming);
    const Stores large = canStream ? Stores::Streaming : Stores::Regular;
    EXPECT_EQ(activeStores(spannedBytes(1280, 1024)), large);
    EXPECT_EQ(activeStores(kStreamingMinBytes), large);
    EXPECT_EQ(activeStores(std::numeric_limits<std::size_t>::max()), large);
    EXPECT_EQ(activeStores(kStreamingMinBytes - 1), Stores::Regular);
    EXPECT_EQ(activeStores(spannedBytes(640, 480)), Stores::Regular);
    EXPECT_EQ(activeStores(1), Stores::Regular);
    for (std::size_t bytes : {std::size_t{1}, spannedBytes(640, 480), spannedBytes(1280, 1024),
                              std::numeric_limits<std::size_t>::max()}) {
        EXPECT_EQ(activeStores(bytes, Formula::ViewerDecimal), Stores::Regular) << bytes;
    }
    // Every vector path has a streaming form.
    EXPECT_EQ(canStream, activePath() != Path::Scalar);
}

// Whole frames through convertFrame into bitmaps 40 bytes into their buffers, after a header, as
// the library and the viewer convert: a 640 x 480 one with regular stores, a 1280 x 1024 one
// streamed for the library when the active path can. Without a formula, convertFrame is the
// library's.
TEST(ConvertFrame, StreamsLargeFramesAndConvertsEveryFrameExactly) {
    const bool canStream = storesSupported(activePath(), Stores::Streaming);
    struct Case {
        int width, height;
        Stores stores;
    };
    const Case cases[] = {{640, 480, Stores::Regular},
                          {1280, 1024, canStream ? Stores::Streaming : Stores::Regular}};
    for (const Case& c : cases) {
        for (Formula formula : kFormulas) {
            // The viewer's rows are unpadded; at these widths the library's are too.
            const std::size_t stride = 3 * static_cast<std::size_t>(c.width);
            ASSERT_EQ(stride, bitmapStride(c.width));
            const std::size_t size = stride * static_cast<std::size_t>(c.height);
            const Bytes yuyv = randomBytes(frameBytes(c.width, c.height), 11);
            OffsetBuffer actual(size, 40);
            // Neither value, so that a call that does not report is seen.
            auto used = static_cast<Stores>(-1);
            const bool converted =
                formula == Formula::Library
                    ? convertFrame(yuyv, c.width, c.height, actual.bytes(), stride, &used)
                    : convertFrame(formula, yuyv, c.width, c.height, actual.bytes(), stride, &used);
            ASSERT_TRUE(converted);
            EXPECT_EQ(used, formula == Formula::Library ? c.stores : Stores::Regular)
                << formulaName(formula) << ", " << c.width << " x " << c.height;
            EXPECT_TRUE(actual.all() ==
                        expectedBuffer(formula, actual, yuyv, c.width, c.height, stride, size))
                << formulaName(formula) << ", " << c.width << " x " << c.height;
        }
    }
}

// Where a streaming row splits: the blocks start on a line boundary at the first pair that does,
// are as many as fit, and are skipped only where no pair starts on a boundary or no block fits.
TEST(StreamingSplit, StartsBlocksAtTheFirstLineBoundary) {
    using detail::kBlockPairs;
    using detail::kLineBytes;
    using detail::splitForStreaming;
    for (std::uintptr_t dst = 4096; dst < 4096 + 2 * kLineBytes; ++dst) {
        for (std::size_t pairs = 0; pairs <= 200; ++pairs) {
            const detail::StreamingSplit split = splitForStreaming(dst, pairs);
            std::size_t first = 0;
            while (first < kBlockPairs && (dst + 6 * first) % kLineBytes != 0) {
                ++first;
            }
            if (first == kBlockPairs || pairs < first + kBlockPairs) {
                EXPECT_EQ(split, detail::StreamingSplit{}) << dst << " " << pairs;
                continue;
            }
            EXPECT_EQ(split.head, first) << "address " << dst << ", " << pairs << " pairs";
            EXPECT_EQ(split.blocks, (pairs - first) / kBlockPairs)
                << "address " << dst << ", " << pairs << " pairs";
        }
    }
}

}  // namespace
}  // namespace qlv::convert
