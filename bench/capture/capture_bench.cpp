// The capture path in the whole viewer on the virtual camera: from the Capture dialog's OK to the
// file complete on disk and the gallery's item selected (the capture command's return), 50
// captures per resolution and format, p50 and worst. Beside it, from the same run and the same
// frozen picture, the floor: the bare encoder writing that picture into memory.
//
// Usage: capture_bench [--count N] [--folder DIR]   (default 50 captures each, files in /dev/shm
// when it exists, as the encoder's floor never touches a disk; offscreen unless QT_QPA_PLATFORM
// says otherwise)
#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "app/main_frame.h"
#include "camera/camera_controller.h"
#include "capture/bmp_writer.h"
#include "capture/capture_dialog.h"
#include "capture/capture_picture.h"
#include "capture/frame_picture.h"
#include "capture/jpeg_writer.h"
#include "capture/picture_file.h"
#include "config/config.h"
#include "controls/control_panel.h"
#include "gallery/disp_view.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"
#include "view/main_view.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool waitFor(const std::function<bool()>& done, int limitMs = 15000) {
    const QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

struct Figures {
    double p50 = 0;
    double worst = 0;
};
Figures figuresOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[(values.size() - 1) / 2], values.back()};
}

// One capture through the dialog: the dialog's OK is clicked when it is up; the time runs from
// that click to the capture command's return.
double timedCapture(CNKestrumViewerView& view, const QString& name, int format) {
    Clock::time_point ok;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CCaptureDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        poll.stop();
        dialog->findChild<QLineEdit*>("ID_1008")->setText(name);
        dialog
            ->findChild<QRadioButton*>(format == viewer::kCaptureFormatJpg ? "ID_1018" : "ID_1017")
            ->setChecked(true);
        ok = Clock::now();
        dialog->findChild<QPushButton*>("ID_1011")->click();
    });
    poll.start();
    const bool saved = view.CaptureCommand();
    const auto done = Clock::now();
    return saved ? ms(done - ok) : -1;
}

double timedEncode(std::span<const std::uint8_t> frame, int format) {
    const auto picture = viewer::CapturePicture::fromFrame(frame);
    QByteArray bytes;
    bytes.reserve(4 << 20);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const auto start = Clock::now();
    const bool written =
        format == viewer::kCaptureFormatJpg
            ? viewer::writeJpeg(picture->rows(), viewer::kCaptureJpegQuality, buffer)
            : viewer::writeBmp(picture->rows(), buffer);
    const auto end = Clock::now();
    return written ? ms(end - start) : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    int count = 50;
    QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--count") {
            count = std::max(1, args[i + 1].toInt());
        } else if (args[i] == "--folder") {
            base = args[i + 1];
        }
    }

    QTemporaryDir folder(base + "/capture_bench-XXXXXX");
    vcam::Options options;
    auto camera = std::make_shared<vcam::VirtualCamera>(options);
    qlv::setTransportFactoryForTesting(
        [camera] { return std::make_unique<qlv::VirtualTransport>(camera); });
    CConfig config(folder.path(), folder.path());
    QDir().mkpath(config.GetDefaultDataFolder());

    auto controller = std::make_unique<CCameraController>();
    controller->Start();
    CMainFrame frame(config);
    frame.InitialUpdate(std::move(controller));
    frame.show();
    CNKestrumViewerView& view = *frame.View();
    CDispView& pane = *view.Pane(0);

    std::printf("capture: OK to file on disk and gallery item selected, %d captures each, in %s\n",
                count, qPrintable(base));
    std::printf("%-10s %-5s %12s %12s %12s %12s %8s\n", "picture", "file", "capture p50", "worst",
                "encoder p50", "worst", "ratio");
    for (const int resolution : {0, 1}) {
        view.SetResolutionMode(resolution);
        const int width = resolution == 0 ? 640 : 1280;
        if (!waitFor([&] {
                return pane.IsLive() && viewer::readHeader(pane.FramePicture()).width == width;
            })) {
            std::fprintf(stderr, "no %d-wide picture from the camera\n", width);
            return 1;
        }
        view.SetFreeze(true);  // every capture and every encode sees the same picture
        const std::vector<std::uint8_t> picture(pane.FramePicture().begin(),
                                                pane.FramePicture().end());
        for (const int format : {viewer::kCaptureFormatBmp, viewer::kCaptureFormatJpg}) {
            std::vector<double> captures, encodes;
            for (int i = 0; i < count; ++i) {
                const QString name = QStringLiteral("c%1_%2_%3").arg(width).arg(format).arg(i);
                captures.push_back(timedCapture(view, name, format));
                encodes.push_back(timedEncode(picture, format));
            }
            if (std::ranges::any_of(captures, [](double t) { return t < 0; }) ||
                std::ranges::any_of(encodes, [](double t) { return t < 0; })) {
                std::fprintf(stderr, "a capture or an encode failed\n");
                return 1;
            }
            const Figures capture = figuresOf(captures);
            const Figures encode = figuresOf(encodes);
            std::printf("%4dx%-5d %-5s %9.2f ms %9.2f ms %9.2f ms %9.2f ms %7.2fx\n", width,
                        resolution == 0 ? 480 : 960, format == 0 ? "BMP" : "JPEG", capture.p50,
                        capture.worst, encode.p50, encode.worst, capture.p50 / encode.p50);
        }
        view.SetFreeze(false);
    }
    frame.close();
    qlv::setTransportFactoryForTesting({});
    return 0;
}
