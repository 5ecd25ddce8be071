// The picture reacts to the sensor's and colour processor's registers, written the way the host
// library writes them (request 0x19), and the tags stay exact whatever the picture does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One delivered frame and what the tests measure on it. The scene: colour bars over the upper
// half, a grey ramp (black to white, left to right) below them, then a field with a moving ball;
// the top and bottom 8 rows carry the tags.
struct Frame {
    Bytes bytes;
    int width = 640;
    int height = 480;

    std::size_t pairAt(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x & ~1)) *
               2;
    }
    int luma(int x, int y) const { return bytes[pairAt(x, y) + ((x & 1) != 0 ? 2 : 0)]; }
    int cb(int x, int y) const { return bytes[pairAt(x, y) + 1]; }
    int cr(int x, int y) const { return bytes[pairAt(x, y) + 3]; }

    // Over the picture between the tag bands, as the auto-exposure loop meters it.
    double meanLuma() const { return meanLuma(8, height - 8); }
    double meanLuma(int top, int bottom) const {
        return meanOver(top, bottom, 1, [&](int x, int y) { return luma(x, y); });
    }
    // Over the part of the picture that never moves: bars and ramp.
    double stillSpread() const {
        const double mean = meanLuma(8, kStillBottom);
        return std::sqrt(meanOver(8, kStillBottom, 1, [&](int x, int y) {
            return (luma(x, y) - mean) * (luma(x, y) - mean);
        }));
    }
    // Mean Cb (offset 1) or Cr (offset 3) of the pixel pairs in rows [top, bottom).
    double meanChroma(int top, int bottom, int offset) const {
        return meanOver(top, bottom, 2, [&](int x, int y) { return bytes[pairAt(x, y) + offset]; });
    }
    double rowMean(int y) const { return meanLuma(y, y + 1); }
    // Sum of the luma steps along a row: edge emphasis overshoots, so it adds steps.
    long rowVariation(int y) const {
        long sum = 0;
        for (int x = 1; x < width; ++x) {
            sum += std::abs(luma(x, y) - luma(x - 1, y));
        }
        return sum;
    }
    int largestChroma() const {
        int largest = 0;
        for (int y = 8; y < height - 8; ++y) {
            for (int x = 0; x < width; x += 2) {
                largest = std::max({largest, std::abs(cb(x, y) - 128), std::abs(cr(x, y) - 128)});
            }
        }
        return largest;
    }

    template <typename F>
    double meanOver(int top, int bottom, int step, F value) const {
        double sum = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < width; x += step) {
                sum += value(x, y);
            }
        }
        return sum * step / (static_cast<double>(width) * (bottom - top));
    }

    static constexpr int kStillBottom = 320;
};

// Rows inside the bars and inside the ramp of a 640 x 480 picture, away from their edges.
constexpr int kBarsTop = 24;
constexpr int kBarsBottom = 240;
constexpr int kBarRow = 100;
constexpr int kRampRow = 300;

int barCentre(int bar) {
    return bar * 80 + 40;
}

class Picture : public ::testing::Test {
protected:
    void SetUp() override { setAutoExposure(false); }

    // Device 1: one write covering consecutive registers, most significant byte first.
    void sensor(std::uint16_t first, std::vector<std::uint16_t> values) {
        Bytes data;
        for (const std::uint16_t value : values) {
            data.push_back(static_cast<std::uint8_t>(value >> 8));
            data.push_back(static_cast<std::uint8_t>(value));
        }
        ASSERT_TRUE(requestOut(camera, 0x19, 1, first, data));
    }
    // Read-modify-write of bits in one byte of a sensor register, as the host does.
    void sensorBits(std::uint16_t reg, bool highByte, std::uint8_t bits, bool set) {
        const auto read = requestIn(camera, 0x18, 1, reg, 2);
        ASSERT_TRUE(read);
        Bytes value = *read;
        std::uint8_t& byte = value[highByte ? 0 : 1];
        byte = static_cast<std::uint8_t>(set ? byte | bits : byte & ~bits);
        ASSERT_TRUE(requestOut(camera, 0x19, 1, reg, value));
    }
    // Device 2: 4-byte records, register number then the value most significant byte first.
    static Bytes record(std::uint8_t reg, std::uint32_t value) {
        return {reg, static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value)};
    }
    void device2(std::uint8_t reg, std::uint32_t value) {
        ASSERT_TRUE(requestOut(camera, 0x19, 2, reg, record(reg, value)));
    }
    void setAutoExposure(bool on) { sensorBits(0x106, true, 0x48, on); }
    void setAutoWhiteBalance(bool on) { sensorBits(0x106, false, 0x02, on); }
    void setMirror(bool on) { sensorBits(0x020, false, 0x02, on); }
    void setAutoExposureTarget(std::uint8_t target) {
        const auto read = requestIn(camera, 0x18, 1, 0x22E, 2);
        ASSERT_TRUE(read);
        ASSERT_TRUE(requestOut(camera, 0x19, 1, 0x22E, {(*read)[0], target}));
    }
    // The host's contrast write: both registers in one request.
    void setContrast(int value) {
        const auto magnitude = static_cast<std::uint16_t>(std::abs(value) & 0x3FF);
        if (value < 0) {
            sensor(0x13B, {static_cast<std::uint16_t>(0x0400 | magnitude), 0x0400});
        } else {
            sensor(0x13B, {0x0400, static_cast<std::uint16_t>(0x0400 | magnitude)});
        }
    }
    // The host's gamma write: six registers from the table's first, knees paired high to low.
    void setGamma(std::uint16_t first, const std::array<std::uint8_t, 11>& k) {
        Bytes data{k[2], k[1], k[4], k[3], k[6], k[5], k[8], k[7], k[10], k[9], 0, k[0]};
        ASSERT_TRUE(requestOut(camera, 0x19, 1, first, data));
    }
    // The host's hue write: both rotation records in one request.
    void setHue(std::uint32_t first, std::uint32_t second) {
        Bytes data = record(2, first);
        const Bytes more = record(3, second);
        data.insert(data.end(), more.begin(), more.end());
        ASSERT_TRUE(requestOut(camera, 0x19, 2, 2, data));
    }

    Frame next() {
        Frame frame;
        frame.bytes.resize(bytesAskedFor(640 * 480 * 2));
        EXPECT_EQ(readFrame(camera, frame.bytes), 640u * 480 * 2);
        frame.bytes.resize(640 * 480 * 2);
        return frame;
    }

    VirtualCamera camera{quickCamera()};
};

// ---- Luma: exposure, gain, auto exposure, contrast, knees, sharpness ----------------------------

TEST_F(Picture, MoreExposureOrGainIsBrighter) {
    const double normal = next().meanLuma();
    sensor(0x009, {0x0325 * 2});
    const double longer = next().meanLuma();
    sensor(0x009, {0x0325 / 4});
    const double shorter = next().meanLuma();
    EXPECT_GT(longer, normal + 10);
    EXPECT_LT(shorter, normal - 10);

    sensor(0x009, {0x0325});
    sensor(0x02F, {0x0040});
    EXPECT_NEAR(next().meanLuma(), longer, 1) << "twice the gain is twice the exposure";

    sensor(0x009, {0});
    EXPECT_LT(next().meanLuma(), 1) << "no exposure, no light";
}

TEST(PictureLarge, TheBuiltInExposureOfTheLargeReadoutIsTheSameTime) {
    VirtualCamera camera(quickCamera());
    ASSERT_TRUE(setStatusFields(camera, 2, 0, 1, 0));
    ASSERT_TRUE(requestOut(camera, 0x19, 1, 0x106, {0xB0, 0x1E}));  // AE off
    ASSERT_TRUE(requestOut(camera, 0x19, 1, 0x009, {0x02, 0x19}));
    Bytes frame(bytesAskedFor(1280 * 1024 * 2));
    ASSERT_EQ(readFrame(camera, frame), 1280u * 1024 * 2);
    const std::size_t whiteBar = (200 * 1280 + 80) * 2;
    EXPECT_NEAR(frame[whiteBar], 191, 1);
}

TEST_F(Picture, AutoExposureSettlesOnItsTargetWhateverTheExposure) {
    sensor(0x009, {0x0040});  // far too short by itself
    const double manual = next().meanLuma();
    setAutoExposure(true);
    for (const std::uint8_t target : {0x30, 0xA0, 0x4A}) {
        SCOPED_TRACE(testing::Message() << "target " << int{target});
        setAutoExposureTarget(target);
        double mean = 0;
        for (int frame = 0; frame < 20; ++frame) {
            mean = next().meanLuma();
        }
        EXPECT_NEAR(mean, target, 3) << "within 20 frames";
        EXPECT_NEAR(next().meanLuma(), mean, 1.5) << "and stays there";
    }
    setAutoExposure(false);
    EXPECT_NEAR(next().meanLuma(), manual, 1) << "the manual exposure is back";
}

TEST_F(Picture, AutoExposureMovesGraduallyLikeARealLoop) {
    const double start = next().meanLuma();
    setAutoExposure(true);
    setAutoExposureTarget(0xC0);
    next();  // taken at the exposure the sensor had
    const double firstStep = next().meanLuma();
    EXPECT_GT(firstStep, start + 3);
    EXPECT_LT(firstStep, 0xC0 - 10) << "not there in one frame";
}

TEST_F(Picture, ContrastFlattensOrSteepens) {
    const double normal = next().stillSpread();
    setContrast(-700);
    const double flatter = next().stillSpread();
    setContrast(500);
    const double steeper = next().stillSpread();
    EXPECT_LT(flatter, normal * 0.5);
    EXPECT_GT(steeper, normal * 1.3);
    setContrast(-1023);
    EXPECT_LT(next().stillSpread(), 2) << "all the way down is a plain grey";
    setContrast(-42);
    EXPECT_NEAR(next().stillSpread(), normal, 0.01) << "the built-in value";
}

TEST_F(Picture, ContrastRegistersWithoutTheirEnableBitDoNothing) {
    const double normal = next().stillSpread();
    sensor(0x13B, {0x0000, 0x0000});  // both magnitudes off: contrast 0, a touch steeper
    const double zero = next().stillSpread();
    EXPECT_GT(zero, normal);
    sensor(0x13B, {0x03FF, 0x03FF});  // magnitudes without bit 10
    EXPECT_NEAR(next().stillSpread(), zero, 0.01);
}

TEST_F(Picture, KneesShapeTheToneCurve) {
    const Frame normal = next();
    // Blacks lifted, the rest as built in.
    setGamma(0x153, {60, 60, 60, 60, 70, 106, 135, 160, 183, 204, 224});
    const Frame lifted = next();
    EXPECT_NEAR(lifted.luma(barCentre(7), kBarRow), 60, 1) << "black is knee 0";
    EXPECT_EQ(lifted.luma(barCentre(0), kBarRow), normal.luma(barCentre(0), kBarRow))
        << "the top of the curve is unchanged";
    // Mid tones raised.
    setGamma(0x153, {0, 40, 60, 90, 120, 150, 175, 195, 210, 225, 240});
    const Frame brighter = next();
    EXPECT_GT(brighter.meanLuma(), normal.meanLuma() + 15);
    EXPECT_GT(brighter.luma(barCentre(3), kBarRow), normal.luma(barCentre(3), kBarRow) + 10);
}

TEST_F(Picture, TheSensorUsesGammaTableZeroOnly) {
    const Frame before = next();
    setGamma(0x1DC, {200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200});
    const Frame after = next();
    EXPECT_EQ(after.meanLuma(8, Frame::kStillBottom), before.meanLuma(8, Frame::kStillBottom));
}

TEST_F(Picture, SharpnessEmphasisesEdges) {
    sensor(0x105, {0});
    const Frame none = next();
    // Bars are flat: without sharpening a bar row only steps where the bars meet.
    EXPECT_EQ(none.luma(barCentre(0) + 38, kBarRow), none.luma(barCentre(0), kBarRow));
    sensor(0x105, {3});
    const Frame builtIn = next();
    sensor(0x105, {15});
    const Frame strong = next();
    EXPECT_LT(none.rowVariation(kBarRow), builtIn.rowVariation(kBarRow));
    EXPECT_LT(builtIn.rowVariation(kBarRow), strong.rowVariation(kBarRow));
    // The white bar's last pixel before the yellow one overshoots.
    EXPECT_GT(strong.luma(79, kBarRow), none.luma(79, kBarRow));
    EXPECT_EQ(strong.luma(barCentre(0), kBarRow), none.luma(barCentre(0), kBarRow))
        << "flat areas stay as they are";
}

// ---- Mirror
// ---------------------------------------------------------------------------------------

TEST_F(Picture, MirrorFlipsLeftAndRight) {
    const Frame plain = next();
    setMirror(true);
    const Frame mirrored = next();
    for (const int y : {kBarRow, kRampRow}) {
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(mirrored.luma(x, y), plain.luma(639 - x, y)) << "x " << x << " y " << y;
        }
        for (int x = 0; x < 640; x += 2) {
            ASSERT_EQ(mirrored.cb(x, y), plain.cb(638 - x, y)) << "x " << x << " y " << y;
            ASSERT_EQ(mirrored.cr(x, y), plain.cr(638 - x, y)) << "x " << x << " y " << y;
        }
    }
    EXPECT_GT(mirrored.luma(10, kRampRow), 240) << "the ramp now runs white to black";
    setMirror(false);
    const Frame back = next();
    EXPECT_EQ(back.luma(10, kRampRow), plain.luma(10, kRampRow));
}

// ---- Colour: white balance, hue, chroma gains and offsets
// ----------------------------------------

TEST_F(Picture, WithoutWhiteBalanceGreysTakeAWarmCast) {
    const Frame balanced = next();
    setAutoWhiteBalance(false);
    const Frame unbalanced = next();
    // The ramp is grey from end to end.
    EXPECT_NEAR(balanced.meanChroma(kRampRow, kRampRow + 1, 3), 128, 0.5);
    EXPECT_GT(unbalanced.meanChroma(kRampRow, kRampRow + 1, 3), 130) << "redder";
    EXPECT_LT(unbalanced.meanChroma(kRampRow, kRampRow + 1, 1), 126) << "less blue";
    EXPECT_LT(std::abs(unbalanced.cr(barCentre(0), kBarRow) - 128), 12) << "but only slightly";
    EXPECT_EQ(unbalanced.cb(barCentre(7), kBarRow), 128) << "black has no colour to cast";
}

struct HueCase {
    const char* name;
    std::uint32_t first;
    std::uint32_t second;
    int sign;  // +1: Cb turns into Cr; -1: the other way round
};

void PrintTo(const HueCase& c, std::ostream* out) {
    *out << c.name;
}

class Hue : public Picture, public ::testing::WithParamInterface<HueCase> {};

TEST_P(Hue, ARightAngleTurnsTheColourDifferencePlane) {
    const Frame plain = next();
    setHue(GetParam().first, GetParam().second);
    const Frame turned = next();
    const int sign = GetParam().sign;
    for (int bar = 0; bar < 7; ++bar) {
        const int x = barCentre(bar);
        SCOPED_TRACE(testing::Message() << "bar " << bar);
        // (Cb, Cr) -> (-Cr, Cb) for +90 degrees, (Cr, -Cb) for -90.
        EXPECT_NEAR(turned.cb(x, kBarRow) - 128, -sign * (plain.cr(x, kBarRow) - 128), 2);
        EXPECT_NEAR(turned.cr(x, kBarRow) - 128, sign * (plain.cb(x, kBarRow) - 128), 2);
        EXPECT_EQ(turned.luma(x, kBarRow), plain.luma(x, kBarRow)) << "hue leaves luma alone";
    }
}

// The words the host sends for +90 and -90 degrees.
INSTANTIATE_TEST_SUITE_P(RightAngles, Hue,
                         ::testing::Values(HueCase{"plus90", 0x000600, 0x200000, 1},
                                           HueCase{"minus90", 0x000200, 0x600000, -1}));

TEST_F(Picture, ChromaGainsScaleEachColourDifference) {
    const Frame plain = next();
    device2(8, 0x9F);  // Cb gain -31: 1/32 of itself
    device2(9, 0x9F);
    EXPECT_LE(next().largestChroma(), 4) << "next to grey";

    device2(8, 0x10);  // Cb gain +16: one and a half
    device2(9, 0x00);
    const Frame stronger = next();
    const int red = barCentre(5);
    EXPECT_NEAR(stronger.cb(red, kBarRow) - 128, (plain.cb(red, kBarRow) - 128) * 1.5, 1);
    EXPECT_EQ(stronger.cr(red, kBarRow), plain.cr(red, kBarRow));
}

TEST_F(Picture, ChromaOffsetsShiftAroundTheirMiddle) {
    const double cb = next().meanChroma(kBarsTop, kBarsBottom, 1);
    device2(10, 0x60);  // Cb up 32 levels
    device2(11, 0x30);  // Cr down 16
    const Frame shifted = next();
    EXPECT_NEAR(shifted.cb(barCentre(7), kBarRow), 128 + 32, 1);
    EXPECT_NEAR(shifted.cr(barCentre(7), kBarRow), 128 - 16, 1);
    EXPECT_GT(shifted.meanChroma(kBarsTop, kBarsBottom, 1), cb + 20);
    device2(10, 0x40);
    device2(11, 0x40);
    EXPECT_EQ(next().cb(barCentre(7), kBarRow), 128) << "0x40 is no offset";
}

TEST_F(Picture, ADarkerPictureIsAlsoAPalerOne) {
    const Frame normal = next();
    sensor(0x009, {0x0325 / 8});
    const Frame dark = next();
    const int red = barCentre(5);
    EXPECT_LT(std::abs(dark.cr(red, kBarRow) - 128), std::abs(normal.cr(red, kBarRow) - 128));
    sensor(0x009, {0});
    EXPECT_LE(next().largestChroma(), 1) << "black has no colour";
}

// ---- Flicker ------------------------------------------------------------------------------------

// How much the mean luma of the bar rows differs from row to row: every bar row is the same row
// of the scene, so anything here is banding.
double banding(const Frame& frame) {
    std::vector<double> means;
    for (int y = kBarsTop; y < kBarsBottom; ++y) {
        means.push_back(frame.rowMean(y));
    }
    const double mean = std::accumulate(means.begin(), means.end(), 0.0) / means.size();
    double square = 0;
    for (const double m : means) {
        square += (m - mean) * (m - mean);
    }
    return std::sqrt(square / means.size());
}

struct FlickerCase {
    int mains;
    std::uint8_t code;
    bool bands;
};

void PrintTo(const FlickerCase& c, std::ostream* out) {
    *out << "mains " << c.mains << " code " << int{c.code};
}

class Flicker : public Picture, public ::testing::WithParamInterface<FlickerCase> {};

TEST_P(Flicker, BandsWhenTheSettingMissesTheMains) {
    ASSERT_EQ(camera.command("mains " + std::to_string(GetParam().mains)), "ok");
    sensor(0x25B, {GetParam().code});
    const Frame frame = next();
    if (GetParam().bands) {
        EXPECT_GT(banding(frame), 1.0);
        EXPECT_LT(banding(frame), 6.0) << "faint";
    } else {
        EXPECT_LT(banding(frame), 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, Flicker,
                         ::testing::Values(FlickerCase{50, 1, false}, FlickerCase{50, 2, false},
                                           FlickerCase{50, 3, true}, FlickerCase{60, 1, true},
                                           FlickerCase{60, 2, false}, FlickerCase{60, 3, false},
                                           FlickerCase{50, 0, true}, FlickerCase{60, 0, true}));

TEST_F(Picture, FlickerBandsRollFromFrameToFrame) {
    sensor(0x25B, {3});  // 60 Hz setting under 50 Hz lights
    const Frame first = next();
    const Frame second = next();
    double largest = 0;
    for (int y = kBarsTop; y < kBarsBottom; ++y) {
        largest = std::max(largest, std::abs(first.rowMean(y) - second.rowMean(y)));
    }
    EXPECT_GT(largest, 1.0);
    sensor(0x25B, {1});
    EXPECT_LT(banding(next()), 0.01) << "matching the mains removes them";
}

// ---- Moving scene
// ----------------------------------------------------------------------------------

// The columns of the field (below the ramp) holding anything but the field itself.
std::pair<int, int> ballColumns(const Frame& frame) {
    constexpr int kFieldTop = 340;
    constexpr int kFieldBottom = 470;
    const auto pairAt = [&](int x, int y) {
        const std::uint8_t* p = frame.bytes.data() + frame.pairAt(x, y);
        return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
    };
    // The field's own pixel pair: the commonest in a field row.
    std::map<std::uint32_t, int> count;
    for (int x = 0; x < frame.width; x += 2) {
        ++count[pairAt(x, (kFieldTop + kFieldBottom) / 2)];
    }
    const std::uint32_t field =
        std::max_element(count.begin(), count.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    int left = frame.width;
    int right = -1;
    for (int y = kFieldTop; y < kFieldBottom; ++y) {
        for (int x = 0; x < frame.width; x += 2) {
            if (pairAt(x, y) != field) {
                left = std::min(left, x);
                right = std::max(right, x + 2);
            }
        }
    }
    return {left, right};
}

class MovingScene : public Picture, public ::testing::WithParamInterface<bool> {};

// Only what changes is processed again from frame to frame: that must leave nothing stale behind.
TEST_P(MovingScene, TheBallLeavesNoTrail) {
    setMirror(GetParam());
    sensor(0x105, {15});
    setAutoWhiteBalance(false);
    setHue(0x000600, 0x200000);
    const auto [startLeft, startRight] = ballColumns(next());
    ASSERT_LT(startLeft, startRight) << "a ball in the field";
    const int diameter = startRight - startLeft;
    bool moved = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!moved && std::chrono::steady_clock::now() < giveUp) {
        const auto [left, right] = ballColumns(next());
        EXPECT_LE(right - left, diameter + 4) << "a trail";
        moved = std::abs(left - startLeft) >= 12;
    }
    EXPECT_TRUE(moved);
}

INSTANTIATE_TEST_SUITE_P(Mirror, MovingScene, ::testing::Bool());

// ---- Freeze and tags
// ------------------------------------------------------------------------------

TEST_F(Picture, AFrozenPictureIgnoresNewSettings) {
    next();
    camera.setFreeze(true);
    const Frame frozen = next();
    sensor(0x009, {0x0100});
    setMirror(true);
    sensor(0x25B, {3});
    EXPECT_EQ(next().bytes, frozen.bytes);
    camera.setFreeze(false);
    EXPECT_LT(next().meanLuma(), frozen.meanLuma() - 10);
}

struct Effect {
    const char* name;
    std::uint8_t device;
    std::uint16_t reg;
    Bytes data;
};

void PrintTo(const Effect& e, std::ostream* out) {
    *out << e.name;
}

class TagsUnderEffects : public Picture, public ::testing::WithParamInterface<Effect> {};

TEST_P(TagsUnderEffects, DecodeExactly) {
    const Effect& e = GetParam();
    ASSERT_TRUE(requestOut(camera, 0x19, e.device, e.reg, e.data));
    std::optional<std::uint32_t> previous;
    for (int i = 0; i < 4; ++i) {
        const Frame frame = next();
        const auto top = decodeTopTag(frame.bytes, 640, 480);
        ASSERT_TRUE(top);
        EXPECT_EQ(decodeBottomTag(frame.bytes, 640, 480), top);
        if (previous) {
            EXPECT_EQ(*top, *previous + 1);
        }
        previous = top;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Registers, TagsUnderEffects,
    ::testing::Values(
        Effect{"mirror", 1, 0x020, {0x07, 0x02}}, Effect{"noExposure", 1, 0x009, {0x00, 0x00}},
        Effect{"fullExposure", 1, 0x009, {0xFF, 0xFF}},
        Effect{"autoExposure", 1, 0x106, {0xF8, 0x1E}},
        Effect{"flatContrast", 1, 0x13B, {0x07, 0xFF, 0x04, 0x00}},
        Effect{"steepContrast", 1, 0x13B, {0x04, 0x00, 0x07, 0xFF}},
        Effect{"whiteKnees", 1, 0x153, {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 255}},
        Effect{"strongSharpness", 1, 0x105, {0xFF, 0xFF}},
        Effect{"noWhiteBalance", 1, 0x106, {0xB0, 0x1C}}, Effect{"flicker", 1, 0x25B, {0x00, 0x03}},
        Effect{"hue", 2, 2, {0x02, 0x00, 0x06, 0x00, 0x03, 0x20, 0x00, 0x00}},
        Effect{"chromaOffset", 2, 10, {0x0A, 0x00, 0x00, 0x7F}},
        Effect{"chromaGain", 2, 8, {0x08, 0x00, 0x00, 0x1F}}));

}  // namespace
}  // namespace vcam::test
