#include "tone.h"

#include <algorithm>
#include <cmath>

namespace vcam {
namespace {

constexpr double kFullScale = 1023.0;
constexpr int kFactoryContrast = -42;
constexpr double kUnityGain = 32.0;
// Rows of the built-in 1/60 s exposure at each readout width.
constexpr double kFactoryRows640 = 0x0325;
constexpr double kFactoryRows1280 = 0x0219;

// How strongly the mean luma answers a change of exposure (d log mean / d log exposure) before
// the loop has seen an answer of its own: about right for the built-in curve in the mid tones.
constexpr double kTypicalResponse = 0.5;
constexpr double kLoopDamping = 0.8;
constexpr double kRestBand = 2.0;
constexpr double kLargestStep = 2.0794415416798357;  // log 8: one frame moves at most 8 times

double spreadOf(int contrast) {
    return contrast <= 0 ? 1.0 + contrast / 1024.0 : 1.0 + contrast / 512.0;
}

// The light behind each level of the drawn scene, as a fraction of full scale at the built-in
// exposure.
const std::array<double, 256>& sceneSignal() {
    static const std::array<double, 256> signal = [] {
        const KneeCurve factory(kFactoryKnees);
        std::array<double, 256> result{};
        for (std::size_t level = 0; level < result.size(); ++level) {
            result[level] = factory.signalFor(static_cast<double>(level));
        }
        return result;
    }();
    return signal;
}

}  // namespace

KneeCurve::KneeCurve(const Knees& knees) {
    signal_[0] = 0;
    level_[0] = knees[0];
    for (std::size_t k = 1; k < knees.size(); ++k) {
        signal_[k] = std::ldexp(1.0, static_cast<int>(k) - 1) / kFullScale;
        level_[k] = knees[k];
    }
    signal_[kPoints - 1] = 1.0;
    level_[kPoints - 1] = 255;
}

double KneeCurve::levelAt(double signal) const {
    signal = std::clamp(signal, 0.0, 1.0);
    std::size_t i = 1;
    while (i < kPoints - 1 && signal > signal_[i]) {
        ++i;
    }
    const double along = (signal - signal_[i - 1]) / (signal_[i] - signal_[i - 1]);
    return level_[i - 1] + along * (level_[i] - level_[i - 1]);
}

double KneeCurve::signalFor(double level) const {
    if (level <= level_[0]) {
        return 0;
    }
    std::size_t i = 1;
    while (i < kPoints - 1 && level > level_[i]) {
        ++i;
    }
    const double rise = level_[i] - level_[i - 1];
    const double along = rise > 0 ? std::clamp((level - level_[i - 1]) / rise, 0.0, 1.0) : 0.0;
    return signal_[i - 1] + along * (signal_[i] - signal_[i - 1]);
}

double manualExposureFactor(const PictureSettings& settings, bool highResolution) {
    const double factoryRows = highResolution ? kFactoryRows1280 : kFactoryRows640;
    return settings.exposureRows / factoryRows * (settings.gain / kUnityGain);
}

double contrastSpread(int contrast) {
    return spreadOf(std::clamp(contrast, -1023, 1023)) / spreadOf(kFactoryContrast);
}

void buildLevelTable(LevelTable& table, const KneeCurve& curve, int contrast,
                     double exposureFactor) {
    const std::array<double, 256>& signal = sceneSignal();
    const double spread = contrastSpread(contrast);
    for (std::size_t level = 0; level < table.size(); ++level) {
        const double light = std::min(signal[level] * exposureFactor, 1.0);
        const double shown = 128.0 + (curve.levelAt(light) - 128.0) * spread;
        table[level] = static_cast<std::uint8_t>(std::lround(std::clamp(shown, 0.0, 255.0)));
    }
}

void AutoExposure::restart(double exposureFactor) {
    factor_ = std::clamp(exposureFactor, kMinimumExposureFactor, kMaximumExposureFactor);
    havePrevious_ = false;
}

void AutoExposure::update(double measuredMean, int target) {
    // Logarithms of level + 1/2 keep a black frame or a zero target finite.
    const double logMean = std::log(std::max(measuredMean, 0.0) + 0.5);
    const double logFactor = std::log(factor_);
    double response = kTypicalResponse;
    if (havePrevious_ && std::abs(logFactor - previousLogFactor_) > 0.02) {
        const double seen = (logMean - previousLogMean_) / (logFactor - previousLogFactor_);
        if (seen > 0.05 && seen < 4.0) {
            response = seen;  // a clipped or flat picture answers too little to learn from
        }
    }
    previousLogFactor_ = logFactor;
    previousLogMean_ = logMean;
    havePrevious_ = true;
    if (std::abs(measuredMean - target) <= kRestBand) {
        return;
    }
    const double wanted = kLoopDamping * (std::log(target + 0.5) - logMean) / response;
    const double step = std::clamp(wanted, -kLargestStep, kLargestStep);
    factor_ =
        std::clamp(std::exp(logFactor + step), kMinimumExposureFactor, kMaximumExposureFactor);
}

}  // namespace vcam
