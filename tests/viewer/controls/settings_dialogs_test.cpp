// The Camera Setting and Setting dialogs on the whole viewer and its virtual camera: what the
// camera's registers received, what config.ini holds, what the control panel does afterwards.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "camera/camera_settings.h"
#include "config/profile_file.h"
#include "config/test_files.h"
#include "controls/camera_setting_dialog.h"
#include "controls/setting_dialog.h"
#include "modal_driver.h"
#include "resources/resource_ids.h"
#include "viewer_fixture.h"

namespace {

using viewer::CameraSettingsRecord;
using viewer::test::kWait;
using viewer::test::Viewer;
using viewer::test::WhenModal;

// The sensor and colour registers the six settings end up in.
using Registers = std::array<std::uint32_t, 8>;
Registers registersOf(const vcam::VirtualCamera& camera) {
    return {camera.sensorRegister(0x22E) & 0xFFu,
            camera.sensorRegister(0x009),
            camera.sensorRegister(0x106) & 0x4000u,
            camera.sensorRegister(0x13B),
            camera.sensorRegister(0x13C),
            camera.sensorRegister(0x25B) & 0xFFu,
            camera.device2Register(2),
            camera.device2Register(3)};
}
// What the camera holds once `record` is on it.
Registers registersFor(Viewer& v, const CameraSettingsRecord& record) {
    v.view->Settings()->Apply(record);
    return registersOf(*v.camera);
}

template <typename T>
T* child(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QStringLiteral("ID_%1").arg(id));
}
void press(QWidget* dialog, int id) {
    child<QPushButton>(dialog, id)->click();
}
QString text(QWidget* dialog, int id) {
    if (auto* edit = child<QLineEdit>(dialog, id)) {
        return edit->text();
    }
    return child<QLabel>(dialog, id)->text();
}
const CameraSettingsRecord kStored{120, 300, 16, 700, 0, 3};

}  // namespace

Q_DECLARE_METATYPE(viewer::CameraSettingsRecord)

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // Opened from the Setting dialog at 1280 x 960; the camera turns to mode 2 meanwhile: the
    // dialog follows with that section's values, shown and on the camera.
    void cameraSettingFollowsTheCameraMode() {
        Viewer v;
        QTRY_VERIFY_WITH_TIMEOUT(qlv::test::cameraPresent(), kWait);
        auto* radio = v.panel->findChild<QRadioButton*>("ID_1033");
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
        const CameraSettingsRecord mode2{200, -123, -16, 300, 0, 0};
        v.config.WriteModeSettings(3, mode2);
        const Registers expected = registersFor(v, mode2);
        v.view->Settings()->Apply();

        WhenModal<CSettingDialog> setting([&](CSettingDialog* s) {
            WhenModal<CPropertyPages> pages([&](CPropertyPages* d) {
                QCOMPARE(d->windowTitle(), QString("Camera Setting"));
                QCOMPARE(text(d, 1054), QString("MODE1_1280X960"));
                v.camera->command("mode 2");
                QTRY_COMPARE_WITH_TIMEOUT(text(d, 1054), QString("MODE2_1280X960"), kWait);
                QCOMPARE(text(d, 1049) + text(d, 1020) + text(d, 1021) + text(d, 1022),
                         QString("200-12.3-16300"));
                QCOMPARE(child<QSlider>(d, 1043)->value(), -123);
                QCOMPARE(child<QComboBox>(d, 1031)->currentText(), QString("50Hz"));  // code 0
                QCOMPARE(registersOf(*v.camera), expected);
                // AE on: brightness can be set, exposure cannot; the camera follows at once.
                QVERIFY(!child<QSlider>(d, 1042)->isEnabled());
                child<QCheckBox>(d, 1047)->click();
                for (int id : {1038, 1042, 1049, 1041, 1045, 1022}) {
                    QCOMPARE(child<QWidget>(d, id)->isEnabled(),
                             id == 1038 || id == 1042 || id == 1049);
                }
                QCOMPARE(v.camera->sensorRegister(0x106) & 0x4000, 0x4000);
                d->reject();
            });
            press(s, 1016);
            QVERIFY(pages.acted());
            s->reject();
        });
        v.click(res::kSettingButton);
        QVERIFY(setting.acted());
        QCOMPARE(registersOf(*v.camera), expected);
    }

    // Changes reach the camera at once; config.ini holds what was applied last; closing
    // without any Apply puts the stored values back on the camera.
    void cameraSettingChangesApplyAndClose_data() {
        QTest::addColumn<QStringList>("steps");  // "<slider> <position>", "flicker <row>", button
        QTest::addColumn<CameraSettingsRecord>("stored");
        QTest::addColumn<CameraSettingsRecord>("onCamera");
        QTest::newRow("Default, Cancel") << QStringList{"default", "1012"} << kStored << kStored;
        QTest::newRow("change, Escape") << QStringList{"1044 500", "escape"} << kStored << kStored;
        QTest::newRow("change, Apply, change, Cancel")
            << QStringList{"1045 1000", "1013", "1045 2000", "1012"}
            << CameraSettingsRecord{120, 300, 16, 1000, 0, 3}
            << CameraSettingsRecord{120, 300, 16, 2000, 0, 3};
        QTest::newRow("hue -12.3 and 60Hz, OK")
            << QStringList{"1043 -123", "flicker 0", "flicker 2", "1011"}
            << CameraSettingsRecord{120, -123, 16, 700, 0, 3}
            << CameraSettingsRecord{120, -123, 16, 700, 0, 3};
    }
    void cameraSettingChangesApplyAndClose() {
        QFETCH(QStringList, steps);
        QFETCH(CameraSettingsRecord, stored);
        QFETCH(CameraSettingsRecord, onCamera);
        Viewer v;
        QTRY_VERIFY_WITH_TIMEOUT(qlv::test::cameraPresent(), kWait);
        const Registers expected = registersFor(v, onCamera);
        const Registers defaults = registersFor(v, v.view->Settings()->CameraDefaults());
        v.config.WriteModeSettings(0, kStored);
        const QByteArray before = readTestFile(v.config.GetProgramConfigPath());

        CPropertyPages d(*v.view->Controller(), *v.view->Settings(), v.config, 0, v.frame.get());
        d.show();
        for (const QString& step : steps) {
            const QStringList word = step.split(' ');
            if (word[0] == "default") {
                press(&d, 1048);
                QCOMPARE(registersOf(*v.camera), defaults);
            } else if (word[0] == "flicker") {
                child<QComboBox>(&d, 1031)->setCurrentIndex(word[1].toInt());
            } else if (word[0] == "escape") {
                QTest::keyClick(&d, Qt::Key_Escape);
            } else if (word.size() == 2) {
                child<QSlider>(&d, word[0].toInt())->setValue(word[1].toInt());
            } else {
                press(&d, word[0].toInt());
            }
        }
        QVERIFY(!d.isVisible());
        QCOMPARE(registersOf(*v.camera), expected);
        CameraSettingsRecord read;
        QVERIFY(v.config.ReadModeSettings(0, read));
        QCOMPARE(read, stored);
        if (stored == kStored) {
            QCOMPARE(readTestFile(v.config.GetProgramConfigPath()), before);
        }
    }

    // The paths change through their buttons only. Browse to the gallery folder shown keeps the
    // capture ID, another one clears it; a chosen logo is copied at once, a cancelled second
    // Browse keeps it. OK writes SKIN (emptied by Default), DIR and LOGO in that order; Cancel
    // writes nothing.
    void pathButtons_data() {
        QTest::addColumn<bool>("same");
        QTest::addColumn<bool>("ok");
        QTest::newRow("same folder, OK") << true << true;
        QTest::newRow("other folder, OK") << false << true;
        QTest::newRow("other folder, Cancel") << false << false;
    }
    void pathButtons() {
        QFETCH(bool, same);
        QFETCH(bool, ok);
        Viewer v;
        const QString config = v.config.GetProgramConfigPath();
        QVERIFY(viewer::writeProfileString(config, "CONFIG", "SKIN", "/old/skin.bmp"));
        const QByteArray before = readTestFile(config);
        v.panel->findChild<QLineEdit*>("ID_1036")->setText("LINE1");
        v.click(res::kIdButton);
        const QString chosen = same ? v.config.GetDefaultDataFolder() : v.folder.filePath("other");
        QVERIFY(QDir().mkpath(chosen));
        const QString logo = v.folder.filePath("mine.BMP");
        QImage picture(8, 8, QImage::Format_RGB888);
        picture.fill(Qt::red);
        QVERIFY(picture.save(logo, "BMP"));

        WhenModal<CSettingDialog> setting([&](CSettingDialog* s) {
            WhenModal<QFileDialog> folder([&](QFileDialog* f) {
                QCOMPARE(f->windowTitle(), QString("Choose a folder"));
                f->setDirectory(chosen);
                static_cast<QDialog*>(f)->done(QDialog::Accepted);
            });
            press(s, 1013);
            WhenModal<QFileDialog> file([&](QFileDialog* f) {
                // The name typed in the dialog's name field, as a person would; the dialog's file
                // list fills in later, so a selection made there would race with it.
                f->setDirectory(QFileInfo(logo).absolutePath());
                f->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(QFileInfo(logo).fileName());
                static_cast<QDialog*>(f)->done(QDialog::Accepted);
            });
            press(s, 1015);
            WhenModal<QFileDialog> cancel([](QFileDialog* f) { f->reject(); });
            press(s, 1015);
            press(s, 1020);
            QCOMPARE(text(s, 1014) + text(s, 1019) + text(s, 1017), chosen + logo);
            press(s, ok ? 1011 : 1012);
        });
        v.click(res::kSettingButton);
        QVERIFY(setting.acted());
        QCOMPARE(readTestFile(v.folder.filePath("logo.bmp")), readTestFile(logo));
        QCOMPARE(v.panel->CaptureId(), same || !ok ? QString("LINE1") : QString());
        const QByteArray written =
            ("[CONFIG]\nSKIN=\nDIR=" + chosen + "\nLOGO=" + logo + "\n").toUtf8();
        const QByteArray after = readTestFile(config);
        QCOMPARE(ok ? after.mid(after.indexOf("[CONFIG]"), written.size()) : after,
                 ok ? written : before);
    }

    // A gallery folder deleted while the dialog is open: OK asks to make it again.
    void missingGalleryFolder_data() {
        QTest::addColumn<bool>("parentGone");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("messages");
        const QString ask = "warring: The Directory is not exist. \nDo you want to make it?";
        QTest::newRow("Yes remakes it") << false << int(QMessageBox::Yes) << ask;
        QTest::newRow("No stays") << false << int(QMessageBox::No) << ask;
        QTest::newRow("cannot be made")
            << true << int(QMessageBox::Yes) << ask + "|Error: Can not create '%1' directory!";
    }
    void missingGalleryFolder() {
        QFETCH(bool, parentGone);
        QFETCH(int, answer);
        QFETCH(QString, messages);
        Viewer v;
        v.answer = static_cast<QMessageBox::StandardButton>(answer);
        const QString gallery = v.folder.filePath("parent/gallery");
        QVERIFY(QDir().mkpath(gallery));
        QVERIFY(
            viewer::writeProfileString(v.config.GetProgramConfigPath(), "CONFIG", "DIR", gallery));
        const QByteArray before = readTestFile(v.config.GetProgramConfigPath());
        bool stayed = false;
        WhenModal<CSettingDialog> setting([&](CSettingDialog* s) {
            QDir(parentGone ? v.folder.filePath("parent") : gallery).removeRecursively();
            press(s, 1011);
            stayed = s->isVisible();
            if (stayed) {
                s->reject();
            }
        });
        v.click(res::kSettingButton);
        QVERIFY(setting.acted());
        QStringList shown;
        for (const auto& m : v.messages) {
            shown << m.caption + ": " + m.text;
        }
        QCOMPARE(shown.join('|'), QString(messages).replace("%1", gallery));
        const bool made = answer == QMessageBox::Yes && !parentGone;
        QCOMPARE(stayed, !made);
        QCOMPARE(QFileInfo(gallery).isDir(), made);
        if (!made) {
            QCOMPARE(readTestFile(v.config.GetProgramConfigPath()), before);
        }
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "settings_dialogs_test.moc"
