// The viewer's live path on the virtual camera at its real pace: latency from a frame's
// completion on the bus to its pixels painted in the pane (p50, p99), frames painted per second,
// and CPU time per second of the GUI thread and the acquisition thread. Beside them, from the same
// run, the floor: the camera's frame period, one conversion of the frame, and a bare
// QPainter::drawImage of the same picture into the pane's size.
//
// Usage: viewer_live_bench [--seconds N]   (default 10 s per resolution; offscreen unless
// QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QEventLoop>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "app/main_frame.h"
#include "camera/camera_controller.h"
#include "camera/frame_event.h"
#include "camera/viewer_conversion.h"
#include "capture/frame_picture.h"
#include "config/config.h"
#include "gallery/disp_view.h"
#include "thread_cpu.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"
#include "view/main_view.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTagRows = 16;  // the top tag band and a margin, enough to decode it

// Completion times of the frames the camera delivered, by their tag.
class CompletionLog {
public:
    void record(std::uint32_t tag, Clock::time_point at) {
        std::lock_guard lock(mutex_);
        times_[tag] = at;
    }
    std::optional<Clock::time_point> find(std::uint32_t tag) const {
        std::lock_guard lock(mutex_);
        const auto it = times_.find(tag);
        return it == times_.end() ? std::nullopt : std::optional(it->second);
    }

private:
    mutable std::mutex mutex_;
    std::map<std::uint32_t, Clock::time_point> times_;
};

// The virtual camera's transport, noting when each whole frame has arrived.
class TimedTransport : public qlv::UsbTransport {
public:
    TimedTransport(std::shared_ptr<vcam::VirtualCamera> camera, CompletionLog& log)
        : inner_(std::move(camera)), log_(log) {}

    int countCameras() override { return inner_.countCameras(); }
    bool open() override { return inner_.open(); }
    void close() override { inner_.close(); }
    bool controlTransfer(const qlv::SetupPacket& setup, std::span<std::uint8_t> data,
                         std::chrono::milliseconds timeout) override {
        return inner_.controlTransfer(setup, data, timeout);
    }
    std::optional<std::size_t> readBulk(std::span<std::uint8_t> buffer,
                                        std::chrono::milliseconds limit,
                                        std::stop_token stop) override {
        const auto bytes = inner_.readBulk(buffer, limit, stop);
        if (bytes && *bytes > 0) {
            const auto at = Clock::now();
            const int width = *bytes == 1280u * 1024u * 2u ? 1280 : 640;
            const int height = static_cast<int>(*bytes / 2 / static_cast<std::size_t>(width));
            if (const auto tag = vcam::decodeTopTag(buffer.first(*bytes), width, height)) {
                log_.record(*tag, at);
            }
        }
        return bytes;
    }

private:
    qlv::VirtualTransport inner_;
    CompletionLog& log_;
};

// The top tag of a frame picture, read from its top rows only (the picture is bottom-up).
std::optional<std::uint32_t> topTag(std::span<const std::uint8_t> picture) {
    const viewer::BitmapInfoHeader header = viewer::readHeader(picture);
    if (header.width <= 0 || header.height < kTagRows) {
        return std::nullopt;
    }
    const auto w = static_cast<std::size_t>(header.width);
    std::vector<std::uint8_t> yuyv(2 * w * kTagRows, 128);
    const std::uint8_t* rows = picture.data() + viewer::kFrameHeaderBytes;
    for (std::size_t r = 0; r < kTagRows; ++r) {
        const std::uint8_t* row = rows + 3 * w * (static_cast<std::size_t>(header.height) - 1 - r);
        for (std::size_t x = 0; x < w; ++x) {
            yuyv[2 * (w * r + x)] = row[3 * x + 1];
        }
    }
    return vcam::decodeTopTag(yuyv, header.width, kTagRows);
}

// Notes, after each event that may paint (a frame event or an update request), whether the pane
// now shows a new frame, and how long ago that frame was completed.
class PaintWatch : public QApplication {
public:
    using QApplication::QApplication;

    const CompletionLog* log = nullptr;
    CDispView* pane = nullptr;
    bool measuring = false;
    std::vector<double> latenciesMs;
    std::optional<std::uint32_t> lastTag;

    bool notify(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        const bool result = QApplication::notify(receiver, event);
        if (pane != nullptr && (type == CFrameEvent::kType || type == QEvent::UpdateRequest)) {
            const auto tag = topTag(pane->FramePicture());
            if (tag && tag != lastTag) {
                lastTag = tag;
                const auto done = log->find(*tag);
                if (measuring && done) {
                    latenciesMs.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - *done).count());
                }
            }
        }
        return result;
    }
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[index];
}

// Runs the event loop as the program does, sleeping between events.
void runEvents(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Floor {
    double framePeriodMs;
    double conversionMs;
    double drawImageMs;
};

// One conversion and one bare draw of a camera frame of this size, the medians of 30 runs.
Floor measureFloor(int width, int height, double fps) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 2, 128);
    std::vector<std::uint8_t> picture(viewer::kFramePictureBytes);
    const auto pixels = viewer::pixelsOf(std::span(picture));
    std::vector<double> convert, draw;
    QImage surface(640, 480, QImage::Format_RGB32);
    for (int i = 0; i < 30; ++i) {
        auto start = Clock::now();
        viewer::convertFrameForViewer(frame, width, height, pixels);
        convert.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const QImage image(pixels.data(), width, height, 3 * width, QImage::Format_BGR888);
        start = Clock::now();
        QPainter painter(&surface);
        // Bottom-up rows, drawn upright by flipping the painter, as the pane does.
        painter.translate(0, surface.height());
        painter.scale(1, -1);
        painter.drawImage(surface.rect(), image);
        painter.end();
        draw.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return {1000.0 / fps, percentile(convert, 0.5), percentile(draw, 0.5)};
}

struct Result {
    std::string name;
    double p50 = 0, p99 = 0, paintedPerSecond = 0, guiCpu = 0, acquisitionCpu = 0, poolCpu = 0;
    Floor floor{};
};

Result runLive(PaintWatch& app, int resolutionMode, double seconds) {
    CompletionLog log;
    auto camera = std::make_shared<vcam::VirtualCamera>();  // realistic pace
    qlv::setTransportFactoryForTesting(
        [&] { return std::make_unique<TimedTransport>(camera, log); });
    QTemporaryDir folder;
    CConfig config(folder.path(), folder.path() + "/documents");
    auto controller = std::make_unique<CCameraController>();
    controller->Start();
    Result result;
    {
        CMainFrame frame(config);
        frame.InitialUpdate(std::move(controller));
        frame.show();
        CNKestrumViewerView* view = frame.View();
        view->SetResolutionMode(resolutionMode);
        app.log = &log;
        app.pane = view->Pane(0);
        runEvents(2.0);  // first tick, skips, the resolution hold

        // Thread names hold 15 characters; Qt scales pictures on its pooled threads.
        const std::string gui = std::string(program_invocation_short_name).substr(0, 15);
        const auto threads = [&] {
            return bench::threadsNamed({gui, "qlv-acquire", "Thread (pooled)"});
        };
        const auto before = threads();
        app.latenciesMs.clear();
        app.measuring = true;
        runEvents(seconds);
        app.measuring = false;
        const auto used =
            bench::cpuBetween(before, bench::threadsNamed({gui.substr(0, 15), "qlv-acquire"}));
        app.pane = nullptr;

        result.name = resolutionMode == 0 ? "640x480" : "1280x1024";
        result.p50 = percentile(app.latenciesMs, 0.5);
        result.p99 = percentile(app.latenciesMs, 0.99);
        result.paintedPerSecond = static_cast<double>(app.latenciesMs.size()) / seconds;
        for (const auto& [name, cpu] : used) {
            const double percent = cpu.clockMilliseconds / seconds / 10.0;  // ms per s
            if (name == gui) {
                result.guiCpu += percent;
            } else if (name == "qlv-acquire") {
                result.acquisitionCpu += percent;
            } else {
                result.poolCpu += percent;
            }
        }
    }
    qlv::setTransportFactoryForTesting({});
    const bool wide = resolutionMode == 1;
    result.floor = measureFloor(wide ? 1280 : 640, wide ? 1024 : 480, wide ? 15 : 30);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    double seconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") {
            seconds = std::max(1.0, std::atof(argv[i + 1]));
        }
    }
    PaintWatch app(argc, argv);
    std::vector<Result> results;
    for (int mode : {0, 1}) {
        results.push_back(runLive(app, mode, seconds));
    }

    std::printf("\nLive path, virtual camera at its real pace, %.0f s each\n", seconds);
    std::printf("%-10s %8s %8s %9s %9s %9s %9s | %9s %10s %8s\n", "frames", "p50 ms", "p99 ms",
                "painted/s", "GUI %", "acq %", "Qt pool %", "period ms", "convert ms", "draw ms");
    for (const Result& r : results) {
        std::printf("%-10s %8.1f %8.1f %9.1f %9.1f %9.1f %9.1f | %9.1f %10.2f %8.2f\n",
                    r.name.c_str(), r.p50, r.p99, r.paintedPerSecond, r.guiCpu, r.acquisitionCpu,
                    r.poolCpu, r.floor.framePeriodMs, r.floor.conversionMs, r.floor.drawImageMs);
    }
    std::printf("CPU in %% of one core; targets: p99 <= 60 ms, GUI thread < 10 %% at 1280x1024\n");
    return 0;
}
