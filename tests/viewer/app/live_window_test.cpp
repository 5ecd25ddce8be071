// The program's window on a virtual camera: live pictures reach the pane, a click freezes them.
#include <QTest>

#include <memory>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "app/live_window.h"
#include "camera/camera_controller.h"
#include "capture/frame_picture.h"
#include "gallery/disp_view.h"
#include "library_waits.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

namespace {

// The frame number in the picture's top band, read from the green channel (the tag blocks are
// grey, so green is their luma).
std::optional<std::uint32_t> topTag(std::span<const std::uint8_t> picture) {
    const auto header = viewer::readHeader(picture);
    const auto w = static_cast<std::size_t>(header.width);
    const auto h = static_cast<std::size_t>(header.height);
    std::vector<std::uint8_t> yuyv(2 * w * h, 128);
    for (std::size_t r = 0; r < h; ++r) {
        const std::uint8_t* row = picture.data() + viewer::kFrameHeaderBytes + 3 * w * (h - 1 - r);
        for (std::size_t x = 0; x < w; ++x) {
            yuyv[2 * (w * r + x)] = row[3 * x + 1];
        }
    }
    return vcam::decodeTopTag(yuyv, header.width, header.height);
}

}  // namespace

class LiveWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheCameraLiveAndFreezesOnAClick() {
        auto camera = std::make_shared<vcam::VirtualCamera>(qlv::test::fastCameraOptions());
        qlv::setTransportFactoryForTesting(
            [camera] { return std::make_unique<qlv::VirtualTransport>(camera); });
        CCameraController controller;
        controller.Start();
        {
            LiveWindow window(controller);
            window.show();
            auto* pane = window.findChild<CDispView*>();
            QVERIFY(pane != nullptr);
            QTRY_VERIFY_WITH_TIMEOUT(pane->HasPicture(), 15000);
            QVERIFY(topTag(pane->FramePicture()).has_value());

            QTest::mouseClick(pane->viewport(), Qt::LeftButton);
            QVERIFY(!pane->IsLive());
            const auto frozen = topTag(pane->FramePicture());
            // Frames keep arriving, but the frozen pane keeps its picture.
            const auto before = camera->streamStats();
            QTRY_VERIFY_WITH_TIMEOUT(camera->streamStats().framesSent > before.framesSent + 10,
                                     15000);
            QCoreApplication::processEvents();
            QCOMPARE(topTag(pane->FramePicture()), frozen);

            QTest::mouseClick(pane->viewport(), Qt::LeftButton);
            QVERIFY(pane->IsLive());
            QTRY_VERIFY_WITH_TIMEOUT(topTag(pane->FramePicture()) != frozen, 15000);
        }
        controller.Stop();
        qlv::setTransportFactoryForTesting({});
    }
};

QTEST_MAIN(LiveWindowTest)
#include "live_window_test.moc"
