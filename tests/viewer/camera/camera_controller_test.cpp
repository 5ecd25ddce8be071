// The camera controller against a virtual camera: frames reach the receiver as events, the
// settings wrappers reach the sensor, and the stored defaults are read from the camera.
#include <QCoreApplication>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "camera/camera_controller.h"
#include "camera/frame_event.h"
#include "camera/newest_slot.h"
#include "capture/frame_picture.h"
#include "library_waits.h"
#include "picture_tags.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

namespace {

using viewer::test::Tags;
using viewer::test::tagsOfFrame;
using viewer::test::tagsOfPicture;

struct SeenFrame {
    int width = 0;
    int height = 0;
    std::size_t size = 0;
    Tags tags;
    Tags newestBuffer;  // the newest buffer's tags while the event was handled
};

class FrameRecorder : public QObject {
public:
    explicit FrameRecorder(const CCameraController* controller = nullptr)
        : controller_(controller) {}

    std::vector<SeenFrame> frames;

protected:
    bool event(QEvent* e) override {
        if (e->type() != CFrameEvent::kType) {
            return QObject::event(e);
        }
        const auto* frame = static_cast<CFrameEvent*>(e);
        const auto header =
            viewer::readHeader(std::span(frame->picture(), viewer::kFrameHeaderBytes));
        SeenFrame seen{header.width,
                       header.height,
                       frame->size(),
                       tagsOfPicture(std::span(frame->picture(), frame->size())),
                       {}};
        if (controller_ != nullptr) {
            const auto k = QLV_GetBufferIndex();
            seen.newestBuffer = tagsOfFrame(controller_->FrameBuffer(viewer::newestSlot(k)),
                                            header.width, header.height);
        }
        frames.push_back(seen);
        return true;
    }

private:
    const CCameraController* controller_;
};

constexpr int kWait = 15000;

}  // namespace

class CameraControllerTest : public QObject {
    Q_OBJECT

    std::shared_ptr<vcam::VirtualCamera> camera;

private slots:
    void init() {
        vcam::Options options = qlv::test::fastCameraOptions();
        options.framesPerSecond = 10;
        camera = std::make_shared<vcam::VirtualCamera>(options);
        qlv::setTransportFactoryForTesting(
            [cam = camera] { return std::make_unique<qlv::VirtualTransport>(cam); });
    }
    void cleanup() {
        QLV_Term();
        qlv::setTransportFactoryForTesting({});
    }

    void streamsTheNewestFrameAt640() {
        CCameraController controller;
        FrameRecorder recorder(&controller);
        controller.SetReceiverView(&recorder);
        controller.Start();
        QCOMPARE(CCameraController::Current(), &controller);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.frames.size() >= 6, kWait);
        controller.Stop();
        QCOMPARE(CCameraController::Current(), nullptr);

        std::uint32_t previous = 0;
        for (const SeenFrame& seen : recorder.frames) {
            QCOMPARE(seen.width, 640);
            QCOMPARE(seen.height, 480);
            QCOMPARE(seen.size, std::size_t{921640});
            QVERIFY2(seen.tags.top.has_value(), "the picture carries the frame's tag");
            QCOMPARE(seen.tags.top, seen.tags.bottom);
            QVERIFY(*seen.tags.top > previous);
            previous = *seen.tags.top;
            // The newest frame, or the one before it when a frame arrived in between.
            QVERIFY(seen.newestBuffer.top.has_value());
            QVERIFY(*seen.tags.top + 1 >= *seen.newestBuffer.top);
            QVERIFY(*seen.tags.top <= *seen.newestBuffer.top);
        }
    }

    void switchesTo1280x1024() {
        CCameraController controller;
        FrameRecorder recorder;
        controller.SetReceiverView(&recorder);
        controller.Start();
        QCOMPARE(controller.StartRecording(1), 0);
        QCOMPARE(controller.ResolutionMode(), 1);
        // The first pass after the switch may show the last slot before any 1280 frame has come
        // (the view holds its pane meanwhile); then whole 1280 x 1024 frames follow.
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.frames.empty() && recorder.frames.back().width == 1280 &&
                                     recorder.frames.back().tags.top.has_value(),
                                 kWait);
        const SeenFrame& seen = recorder.frames.back();
        QCOMPARE(seen.height, 1024);
        QCOMPARE(seen.size, std::size_t{3932200});
        QCOMPARE(seen.tags.top, seen.tags.bottom);
    }

    void noEventOutlivesStop() {
        CCameraController controller;
        FrameRecorder recorder;
        controller.SetReceiverView(&recorder);
        for (int cycle = 0; cycle < 3; ++cycle) {
            const auto before = recorder.frames.size();
            controller.Start();
            QTRY_VERIFY_WITH_TIMEOUT(recorder.frames.size() > before, kWait);
            controller.Stop();
            const auto atStop = recorder.frames.size();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(recorder.frames.size(), atStop);
        }
    }

    // A receiver that goes away must not leave the thread waiting for it to take a picture.
    void survivesItsReceiverGoingAway() {
        CCameraController controller;
        auto first = std::make_unique<FrameRecorder>();
        controller.SetReceiverView(first.get());
        controller.Start();
        QTRY_VERIFY_WITH_TIMEOUT(!first->frames.empty(), kWait);
        first.reset();
        FrameRecorder second;
        controller.SetReceiverView(&second);
        QTRY_VERIFY_WITH_TIMEOUT(!second.frames.empty(), kWait);
    }

    void stopsWithTheCameraAbsent() {
        camera->unplug();
        CCameraController controller;
        FrameRecorder recorder;
        controller.SetReceiverView(&recorder);
        controller.Start();
        std::int32_t mode = -1;
        QVERIFY(!controller.CheckMode(&mode));
        controller.Stop();
        QCoreApplication::sendPostedEvents();
        QVERIFY(recorder.frames.empty());
    }

    void wrappersReachTheCamera() {
        CCameraController controller;
        controller.Start();
        std::int32_t mode = 0;
        QVERIFY(controller.CheckMode(&mode));
        QCOMPARE(mode, 1);
        camera->setMode(3);
        QVERIFY(controller.CheckMode(&mode));
        QCOMPARE(mode, 3);

        QCOMPARE(controller.SetExposure(805, 0x90), 0);
        QCOMPARE(camera->sensorRegister(0x009), 805);
        QCOMPARE(camera->sensorRegister(0x02F), 0xC8);
        QCOMPARE(controller.SetBrightness(100), 0);
        QCOMPARE(camera->sensorRegister(0x22E) & 0xFF, 100);
        QCOMPARE(controller.SetAE(0), 0);
        QCOMPARE(camera->sensorRegister(0x106) & 0x4000, 0);
        QCOMPARE(controller.SetAE(1), 0);
        QCOMPARE(camera->sensorRegister(0x106) & 0x4000, 0x4000);
        QCOMPARE(controller.SetContrast(-42), 0);
        QCOMPARE(camera->sensorRegister(0x13B), 0x042A);
        QCOMPARE(controller.SetFlicker(3), 0);
        QCOMPARE(camera->sensorRegister(0x25B) & 0xFF, 3);
        const auto hueBefore = camera->device2Register(2);
        QCOMPARE(controller.SetHue(900), 0);
        QVERIFY(camera->device2Register(2) != hueBefore);

        QCOMPARE(controller.Freeze(1), 0);
        QCOMPARE(camera->status()[2], 1);
        std::int32_t state = 0;
        QTRY_COMPARE_WITH_TIMEOUT((controller.CheckRecording(&state), state), 6, kWait);
        QCOMPARE(controller.Freeze(0), 0);
        QTRY_COMPARE_WITH_TIMEOUT((controller.CheckRecording(&state), state), 7, kWait);
    }

    void defaultsComeFromTheCamera() {
        CCameraController controller;
        controller.Start();
        QCOMPARE(controller.Defaults(1), (viewer::CameraDefaults{74, 0, -42, 805, 32, 1, 2}));

        // A valid block of the camera's own is read as it is.
        viewer::RegisterBlock block = viewer::builtInRegisterBlock(0);
        block[87] = 120;
        block[91] = 1;
        QCOMPARE(QLV_EEPROMWrite(viewer::registerBlockAddress(3, 0), 512, block.data()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(camera->status()[3], 0, kWait);
        QCOMPARE(controller.DefaultBrightness(3), 120);
        QCOMPARE(controller.DefaultFlicker(3), 1);

        // One without the end mark gives the built-in block of the current resolution.
        controller.StartRecording(1);
        block[117] = 0;
        QCOMPARE(QLV_EEPROMWrite(viewer::registerBlockAddress(2, 1), 512, block.data()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(camera->status()[3], 0, kWait);
        QCOMPARE(controller.Defaults(2), (viewer::CameraDefaults{74, 0, -42, 537, 32, 1, 2}));

        // Nothing can be read from an absent camera: the built-in block again.
        camera->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!qlv::test::cameraPresent(), kWait);
        QCOMPARE(controller.DefaultExposure(3), 537);
    }

    // A read that fails must not lend the bytes of another mode's block to this mode.
    void failedReadNeverBorrowsAnotherModesBlock() {
        CCameraController controller;
        controller.Start();
        viewer::RegisterBlock block = viewer::builtInRegisterBlock(0);
        block[10] = 0x04;  // exposure 0x04D2
        block[11] = 0xD2;
        QCOMPARE(QLV_EEPROMWrite(viewer::registerBlockAddress(1, 0), 512, block.data()), 0);
        QTRY_COMPARE_WITH_TIMEOUT(camera->status()[3], 0, kWait);
        QCOMPARE(controller.DefaultExposure(1), 0x04D2);

        camera->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!qlv::test::cameraPresent(), kWait);
        QCOMPARE(controller.DefaultExposure(2), 805);
    }
};

QTEST_GUILESS_MAIN(CameraControllerTest)
#include "camera_controller_test.moc"
