// The per-mode settings store between config.ini and the camera.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "camera/camera_controller.h"
#include "camera/camera_settings.h"
#include "config/config.h"
#include "library_waits.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

using viewer::CameraSettingsRecord;

class CameraSettingsTest : public QObject {
    Q_OBJECT

    std::shared_ptr<vcam::VirtualCamera> camera;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<CConfig> config;
    std::unique_ptr<CCameraController> controller;
    int resolutionMode = 0;

    CCameraSettings settings() {
        return CCameraSettings(*controller, *config, [this] { return resolutionMode; });
    }
    QByteArray configFile() {
        QFile file(config->GetProgramConfigPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() {
        camera = std::make_shared<vcam::VirtualCamera>(qlv::test::fastCameraOptions());
        qlv::setTransportFactoryForTesting(
            [cam = camera] { return std::make_unique<qlv::VirtualTransport>(cam); });
        folder = std::make_unique<QTemporaryDir>();
        config = std::make_unique<CConfig>(folder->path(), folder->path() + "/Documents");
        controller = std::make_unique<CCameraController>();
        controller->Start();
        resolutionMode = 0;
    }
    void cleanup() {
        controller.reset();
        qlv::setTransportFactoryForTesting({});
    }

    void indexFollowsCameraModeAndResolution() {
        QCOMPARE(settings().CurrentIndex(), 0);
        camera->setMode(2);
        resolutionMode = 1;
        QCOMPARE(settings().CurrentIndex(), 3);
        camera->setMode(3);
        QCOMPARE(settings().CurrentIndex(), 5);
    }

    // No config.ini: the first read takes the camera's defaults and writes that one section.
    void absentSectionIsFilledFromTheCamera() {
        const CameraSettingsRecord record = settings().StoredRecord();
        QCOMPARE(record, (CameraSettingsRecord{74, 0, -42, 805, 1, 2}));
        const QByteArray file = configFile();
        QVERIFY(file.contains("[MODE1_640X480]"));
        QVERIFY(file.contains("CONTRAST=-42"));
        QVERIFY(!file.contains("MODE1_1280X960"));
        CameraSettingsRecord read;
        QVERIFY(config->ReadModeSettings(0, read));
        QCOMPARE(read, record);
    }

    void partlyStoredSectionIsRewrittenWhole() {
        config->WriteModeSettings(2, {10, 20, 30, 40, 0, 3});
        QFile file(config->GetProgramConfigPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray text = file.readAll();
        file.close();
        text.replace("HUE=20", "HUE=no");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();

        camera->setMode(2);
        const CameraSettingsRecord defaults = settings().CameraDefaults();
        QVERIFY(defaults.brightness != 10);
        QCOMPARE(settings().StoredRecord(), defaults);
        CameraSettingsRecord read;
        QVERIFY(config->ReadModeSettings(2, read));
        QCOMPARE(read, defaults);
    }

    void storedRecordIsKept() {
        config->WriteModeSettings(1, {200, -123, 16, 300, 0, 3});
        resolutionMode = 1;
        QCOMPARE(settings().StoredRecord(), (CameraSettingsRecord{200, -123, 16, 300, 0, 3}));
    }

    void applyPutsTheRecordOnTheCamera() {
        config->WriteModeSettings(0, {120, 900, -42, 700, 0, 3});
        settings().Apply();
        QCOMPARE(camera->sensorRegister(0x22E) & 0xFF, 120);
        QCOMPARE(camera->sensorRegister(0x009), 700);
        QCOMPARE(camera->sensorRegister(0x02F), 0x20);  // the built-in factor
        QCOMPARE(camera->sensorRegister(0x106) & 0x4000, 0);
        QCOMPARE(camera->sensorRegister(0x13B), 0x042A);
        QCOMPARE(camera->sensorRegister(0x25B) & 0xFF, 3);
        const auto rotated = camera->device2Register(2);

        // A given record wins over the stored one.
        settings().Apply(CameraSettingsRecord{50, 0, 16, 400, 1, 1});
        QCOMPARE(camera->sensorRegister(0x22E) & 0xFF, 50);
        QCOMPARE(camera->sensorRegister(0x009), 400);
        QCOMPARE(camera->sensorRegister(0x106) & 0x4000, 0x4000);
        QCOMPARE(camera->sensorRegister(0x13C), 0x0410);
        QCOMPARE(camera->sensorRegister(0x25B) & 0xFF, 1);
        QVERIFY(camera->device2Register(2) != rotated);
    }
};

QTEST_GUILESS_MAIN(CameraSettingsTest)
#include "camera_settings_test.moc"
