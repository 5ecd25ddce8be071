// The sensor's luma response: how exposure, gain, the knee curve and contrast turn the light of the
// scene into output levels, and the auto-exposure loop that steers it.
//
// The scene is drawn as the camera shows it at its built-in settings. Its levels are taken back
// through the built-in chain (factory knee curve, 1/60 s, unity gain, contrast -42) to the light
// that would produce them, and that light goes forward through the chain as currently set. So the
// built-in settings reproduce the scene exactly and every change is relative to them.
#pragma once

#include <array>
#include <cstdint>

#include "picture_settings.h"

namespace vcam {

using LevelTable = std::array<std::uint8_t, 256>;

// The knee curve of the 10-bit sensor signal: knee 0 is the level of black and knee k (1..10)
// the level at signal 2^(k-1) of 1023, one knee per octave, the way a gamma curve spends its
// range; full scale always gives 255. Signals are given as fractions of full scale.
class KneeCurve {
public:
    explicit KneeCurve(const Knees& knees);
    double levelAt(double signal) const;   // signal in [0, 1] -> level in [0, 255]
    double signalFor(double level) const;  // the inverse, for curves that rise throughout

private:
    static constexpr std::size_t kPoints = 12;
    std::array<double, kPoints> signal_{};
    std::array<double, kPoints> level_{};
};

// Exposure x gain relative to the built-in 1/60 s at unity gain. A 1280-wide row takes longer to
// read than a 640-wide one, so the two built-in exposures (0x0325 and 0x0219 rows) are equal.
double manualExposureFactor(const PictureSettings& settings, bool highResolution);

// How far levels spread around mid grey, relative to the built-in contrast: flattening reaches
// a plain grey at -1023, steepening up to three times the spread at +1023.
double contrastSpread(int contrast);

// The output level for each scene level at `exposureFactor` times the built-in light.
void buildLevelTable(LevelTable& table, const KneeCurve& curve, int contrast,
                     double exposureFactor);

// The auto-exposure loop: after each frame it compares the frame's mean luma with the target and
// sets the exposure for the next frame. Like a real loop it moves part of the way at a time, learns
// how strongly the picture answers (the knee curve and contrast bend that answer) so it neither
// crawls nor overshoots, and rests within a small band around the target so the picture does not
// pump.
class AutoExposure {
public:
    double factor() const { return factor_; }
    // Starts the loop from the exposure the sensor has now, as when AE is switched on.
    void restart(double exposureFactor);
    // The frame taken at factor() came out with mean luma `measuredMean`.
    void update(double measuredMean, int target);

private:
    double factor_ = 1.0;
    double previousLogFactor_ = 0;
    double previousLogMean_ = 0;
    bool havePrevious_ = false;
};

inline constexpr double kMinimumExposureFactor = 1.0 / 256;
inline constexpr double kMaximumExposureFactor = 64.0;

}  // namespace vcam
