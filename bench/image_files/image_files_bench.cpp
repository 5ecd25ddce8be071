// Capture saves of 1280 x 1024 frames (1280 x 960 files) beside anchors measured in the
// same run on the same pixels:
//   jpeg/save        SaveFramePicture to a file on tmpfs (encode, write, rename)
//   jpeg/encode      our encoder alone, into memory
//   jpeg/tjCompress2 libjpeg-turbo's TurboJPEG API, bottom-up BGR, 4:2:0, quality 80, into a
//                    preallocated buffer: the anchor
//   jpeg/qt_mirrored Qt's writer after the mirrored copy it needs (the path not taken)
//   bmp/save         SaveFramePicture to a file on tmpfs
//   bmp/fwrite       fopen + fwrite of the same header and rows + fclose: the anchor
//   bmp/qt_writer    Qt's BMP writer to a file on tmpfs (the path not taken)
// Times are CPU milliseconds per save. Run with e.g. --benchmark_repetitions=9
// --benchmark_report_aggregates_only=true: the machines are noisy, and the summary takes medians.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <turbojpeg.h>
#include <unistd.h>
#include "median_reporter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "camera_frame.h"
#include "capture/bmp_writer.h"
#include "capture/capture_picture.h"
#include "capture/frame_picture.h"
#include "capture/jpeg_writer.h"
#include "capture/picture_file.h"

namespace {

// One picture the saves run on: its frame block and the capture rows within it.
struct Picture {
    std::vector<std::uint8_t> frame;
    viewer::BottomUpRows rows;
};

// "camera": the virtual camera's scene; "photo": a smooth picture with grain, busier for the
// entropy coder, closer to what a real sensor gives.
std::map<std::string, Picture>& pictures() {
    static std::map<std::string, Picture> all;
    return all;
}

QString& folder() {
    static QString path;
    return path;
}

QString target(const char* name) {
    return folder() + "/" + name;
}

std::vector<std::uint8_t> grainyPhoto() {
    constexpr int kWidth = 1280;
    constexpr int kHeight = 1024;
    std::vector<std::uint8_t> block(viewer::kFramePictureBytes);
    viewer::writeHeader(block, viewer::pictureHeader(kWidth, kHeight));
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> grain(-10, 10);
    std::uint8_t* p = viewer::pixelsOf(std::span(block)).data();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = x / double(kWidth), v = y / double(kHeight);
            const double base[3] = {120 + 80 * std::sin(7 * u + 3 * v), 60 + 150 * v * (1 - u),
                                    90 + 100 * std::cos(5 * v - 2 * u)};
            for (double level : base) {
                *p++ = static_cast<std::uint8_t>(std::clamp(level + grain(rng), 0.0, 255.0));
            }
        }
    }
    return block;
}

void jpegSave(benchmark::State& state, const Picture& picture) {
    for (auto _ : state) {
        viewer::SaveFramePicture(picture.frame, target("cap"), viewer::kCaptureFormatJpg);
    }
}

void jpegEncode(benchmark::State& state, const Picture& picture) {
    QByteArray bytes;
    bytes.reserve(4 << 20);
    for (auto _ : state) {
        bytes.resize(0);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!viewer::writeJpeg(picture.rows, viewer::kCaptureJpegQuality, buffer)) {
            state.SkipWithError("encode failed");
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void jpegTurbo(benchmark::State& state, const Picture& picture) {
    const viewer::BottomUpRows& rows = picture.rows;
    tjhandle handle = tjInitCompress();
    std::vector<unsigned char> out(tjBufSize(rows.width, rows.height, TJSAMP_420));
    unsigned long size = 0;
    for (auto _ : state) {
        unsigned char* buffer = out.data();
        size = out.size();
        if (tjCompress2(handle, rows.bottom, rows.width, static_cast<int>(rows.stride), rows.height,
                        TJPF_BGR, &buffer, &size, TJSAMP_420, viewer::kCaptureJpegQuality,
                        TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0) {
            state.SkipWithError(tjGetErrorStr2(handle));
        }
    }
    state.counters["bytes"] = static_cast<double>(size);
    tjDestroy(handle);
}

// The capture rows as a top-down QImage, the way Qt's writers want them.
QImage mirroredCapture(const Picture& picture) {
    const viewer::BottomUpRows& rows = picture.rows;
    const QImage upsideDown(rows.bottom, rows.width, rows.height,
                            static_cast<qsizetype>(rows.stride), QImage::Format_BGR888);
    return upsideDown.mirrored();
}

void jpegQt(benchmark::State& state, const Picture& picture) {
    QByteArray bytes;
    for (auto _ : state) {
        bytes.resize(0);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(viewer::kCaptureJpegQuality);
        if (!writer.write(mirroredCapture(picture))) {
            state.SkipWithError("Qt's JPEG writer failed");
        }
    }
}

void bmpSave(benchmark::State& state, const Picture& picture) {
    for (auto _ : state) {
        viewer::SaveFramePicture(picture.frame, target("cap"), viewer::kCaptureFormatBmp);
    }
}

void bmpFwrite(benchmark::State& state, const Picture& picture) {
    QByteArray file;
    {
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        viewer::writeBmp(picture.rows, buffer);
    }
    const std::string path = target("plain.bmp").toStdString();
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr) {
            state.SkipWithError("fopen failed");
            break;
        }
        // Header and rows apart, as they lie apart in a frame.
        std::fwrite(file.constData(), 1, 54, out);
        std::fwrite(picture.rows.bottom, 1, static_cast<std::size_t>(file.size() - 54), out);
        std::fclose(out);
    }
}

void bmpQt(benchmark::State& state, const Picture& picture) {
    const QString path = target("qt.bmp");
    for (auto _ : state) {
        QImageWriter writer(path, "bmp");
        if (!writer.write(mirroredCapture(picture))) {
            state.SkipWithError("Qt's BMP writer failed");
        }
    }
}

// Console output as usual, then our figures beside their anchors.
class SummaryReporter : public bench::MedianReporter {
public:
    using MedianReporter::MedianReporter;

    void Finalize() override {
        ConsoleReporter::Finalize();
        auto& out = GetOutputStream();
        out << "\nCPU ms per 1280x960 picture (median): ours, anchor, ratio\n";
        for (const auto& [name, picture] : pictures()) {
            const std::string at = "/" + name;
            line(out, name + " JPEG q80 save / tjCompress2", "jpeg/save" + at,
                 "jpeg/tjCompress2" + at);
            line(out, name + " JPEG q80 encode / tjCompress2", "jpeg/encode" + at,
                 "jpeg/tjCompress2" + at);
            line(out, name + " JPEG q80 Qt mirrored / tjCompress2", "jpeg/qt_mirrored" + at,
                 "jpeg/tjCompress2" + at);
            line(out, name + " BMP save / fwrite", "bmp/save" + at, "bmp/fwrite" + at);
            line(out, name + " BMP Qt writer / fwrite", "bmp/qt_writer" + at, "bmp/fwrite" + at);
        }
    }

private:
    void line(std::ostream& out, const std::string& label, const std::string& ours,
              const std::string& anchor) const {
        const double a = median(ours);
        const double b = median(anchor);
        if (a <= 0 || b <= 0) {
            return;
        }
        char text[160];
        std::snprintf(text, sizeof text, "%-44s %8.3f %8.3f %6.2f\n", label.c_str(), a, b, a / b);
        out << text;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    pictures()["camera"].frame = cameraFramePicture();
    pictures()["photo"].frame = grainyPhoto();
    for (auto& [name, picture] : pictures()) {
        const auto capture = viewer::CapturePicture::fromFrame(picture.frame);
        if (!capture) {
            std::fprintf(stderr, "no %s frame\n", name.c_str());
            return 1;
        }
        picture.rows = capture->rows();  // the frame's own rows: 1280 x 1024 needs no scaling
    }
    // tmpfs when there is one, so the figures are the save's own work, not the disk's.
    const QString base = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath();
    folder() = base + "/qlv-image-files-bench-" + QString::number(getpid());
    QDir().mkpath(folder());

    using Bench = void (*)(benchmark::State&, const Picture&);
    const std::pair<const char*, Bench> benches[] = {
        {"jpeg/save", jpegSave},      {"jpeg/encode", jpegEncode}, {"jpeg/tjCompress2", jpegTurbo},
        {"jpeg/qt_mirrored", jpegQt}, {"bmp/save", bmpSave},       {"bmp/fwrite", bmpFwrite},
        {"bmp/qt_writer", bmpQt}};
    for (const auto& [name, picture] : pictures()) {
        for (const auto& [bench, run] : benches) {
            const Picture* p = &picture;
            benchmark::RegisterBenchmark((std::string(bench) + "/" + name).c_str(),
                                         [run, p](benchmark::State& state) { run(state, *p); })
                ->Unit(benchmark::kMillisecond);
        }
    }

    SummaryReporter reporter(isatty(STDOUT_FILENO) != 0
                                 ? benchmark::ConsoleReporter::OO_ColorTabular
                                 : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    QDir(folder()).removeRecursively();
    return 0;
}
