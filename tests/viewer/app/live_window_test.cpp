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
#include "picture_tags.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

namespace {

std::optional<std::uint32_t> topTag(std::span<const std::uint8_t> picture) {
    return viewer::test::tagsOfPicture(picture).top;
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
