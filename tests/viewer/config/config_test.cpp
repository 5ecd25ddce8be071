#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "config/color_ref.h"
#include "config/config.h"
#include "config/profile_file.h"
#include "test_files.h"

using viewer::CameraSettingsRecord;

Q_DECLARE_METATYPE(CameraSettingsRecord)

class ConfigTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void withoutAnyFileEverythingHasItsDefault();
    void galleryFolder_data();
    void galleryFolder();
    void galleryFallbackWithoutDocumentsFolder();
    void modeSettingsRoundTripForEveryIndex();
    void modeSettingsFileLayout();
    void readModeSettings_data();
    void readModeSettings();
    void settingsIndexOutOfRangeIsRefused();
    void backgroundColour_data();
    void backgroundColour();
    void logoAndSkinValues();
    void settingDialogValues();
    void captureCounter_data();
    void captureCounter();
    void captureCounterWithoutIdFolder();
    void captureCounterFollowsWhatWasProposed();
    void captureNameExists_data();
    void captureNameExists();
    void skinPicture_data();
    void skinPicture();
    void instanceStartsAtTheCurrentDirectory();

private:
    QString root(const QString& relative) const { return dir_->filePath(relative); }
    QString configPath() const { return root(QStringLiteral("start/config.ini")); }
    QString defaultDataFolder() const { return root(QStringLiteral("documents/e-NodraData")); }
    void writeConfig(const QByteArray& content) const {
        QVERIFY(writeTestFile(configPath(), content));
    }
    // Points the gallery at <root>/gallery and makes the folder of one capture ID in it.
    void useGalleryWithId(const QString& captureId) const;

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<CConfig> config_;
};

void ConfigTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("start")));
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("documents")));
    config_ =
        std::make_unique<CConfig>(root(QStringLiteral("start")), root(QStringLiteral("documents")));
}

void ConfigTest::useGalleryWithId(const QString& captureId) const {
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("gallery/") + captureId));
    writeConfig("[CONFIG]\nDIR=" + root(QStringLiteral("gallery")).toUtf8() + "\n");
}

void ConfigTest::withoutAnyFileEverythingHasItsDefault() {
    QCOMPARE(config_->GetGalleryFolder(), defaultDataFolder());
    QVERIFY(QFileInfo(defaultDataFolder()).isDir());
    QCOMPARE(readTestFile(defaultDataFolder() + QStringLiteral("/config.ini")),
             QByteArray("[CONFIG]\nCONFIG=1\n"));
    QCOMPARE(config_->GetSkinPath(), QString());
    QCOMPARE(config_->GetLogoPath(), QString());
    QCOMPARE(config_->GetLogoPosition(), QPoint(70, 23));
    QCOMPARE(viewer::colorFromColorRef(config_->GetBackgroundColour()), QColor(231, 231, 231));
    CameraSettingsRecord record;
    for (int index = 0; index < viewer::kSettingsIndexCount; ++index) {
        QVERIFY(!config_->ReadModeSettings(index, record));
    }
    // Reading never creates the program's own file.
    QVERIFY(!QFileInfo::exists(configPath()));
}

void ConfigTest::galleryFolder_data() {
    QTest::addColumn<QString>("dir");  // "@" stands for the temporary root
    QTest::addColumn<QString>("expected");

    QTest::newRow("existing folder") << "@/gallery"
                                     << "@/gallery";
    QTest::newRow("trailing slashes dropped") << "@/gallery///"
                                              << "@/gallery";
    QTest::newRow("missing folder") << "@/nowhere"
                                    << "default";
    QTest::newRow("a file is not a folder") << "@/gallery/picture.bmp"
                                            << "default";
    QTest::newRow("empty means the root") << ""
                                          << "";
    QTest::newRow("slashes only mean the root") << "///"
                                                << "";
}

void ConfigTest::galleryFolder() {
    QFETCH(QString, dir);
    QFETCH(QString, expected);

    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("gallery")));
    QVERIFY(QDir().mkpath(defaultDataFolder()));
    QVERIFY(writeTestFile(root(QStringLiteral("gallery/picture.bmp")), "BM"));
    dir.replace(u'@', dir_->path());
    expected = expected == QStringLiteral("default") ? defaultDataFolder()
                                                     : expected.replace(u'@', dir_->path());
    const QByteArray content = "[CONFIG]\nDIR=" + dir.toUtf8() + "\n";
    writeConfig(content);

    QCOMPARE(config_->GetGalleryFolder(), expected);
    // The configured value is never rewritten, and the default data folder is marked whichever
    // folder is used.
    QCOMPARE(readTestFile(configPath()), content);
    QCOMPARE(readTestFile(defaultDataFolder() + QStringLiteral("/config.ini")),
             QByteArray("[CONFIG]\nCONFIG=1\n"));
}

void ConfigTest::galleryFallbackWithoutDocumentsFolder() {
    const QString documents = root(QStringLiteral("no/documents"));
    CConfig config(root(QStringLiteral("start")), documents);
    // Only one level is created, so the data folder cannot be made and the marker write fails.
    QCOMPARE(config.GetGalleryFolder(), documents + QStringLiteral("/e-NodraData"));
    QVERIFY(!QFileInfo::exists(documents));
}

void ConfigTest::modeSettingsRoundTripForEveryIndex() {
    for (int index = 0; index < viewer::kSettingsIndexCount; ++index) {
        const CameraSettingsRecord record{index * 10,   -150 + index, index,
                                          1000 + index, index % 2,    1 + index % 3};
        QVERIFY(config_->WriteModeSettings(index, record));
    }
    for (int index = 0; index < viewer::kSettingsIndexCount; ++index) {
        CameraSettingsRecord read;
        QVERIFY(config_->ReadModeSettings(index, read));
        QCOMPARE(read.brightness, index * 10);
        QCOMPARE(read.hue, -150 + index);
        QCOMPARE(read.contrast, index);
        QCOMPARE(read.exposure, 1000 + index);
        QCOMPARE(read.autoExposure, index % 2);
        QCOMPARE(read.flicker, 1 + index % 3);
    }
}

void ConfigTest::modeSettingsFileLayout() {
    QVERIFY(config_->WriteModeSettings(viewer::settingsIndex(2, 1), {40, -150, 3, 1200, 1, 2}));
    QCOMPARE(readTestFile(configPath()),
             QByteArray("[MODE2_1280X960]\nBRIGHTNESS=40\nHUE=-150\nCONTRAST=3\nEXPOSURE=1200\n"
                        "AE=1\nFLICKER=2\n"));
}

void ConfigTest::readModeSettings_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<bool>("found");
    QTest::addColumn<CameraSettingsRecord>("expected");

    const CameraSettingsRecord untouched{-1, -1, -1, -1, -1, -1};
    QTest::newRow("complete") << QByteArray(
                                     "brightness=40\nHue=-150\nCONTRAST=3\nEXPOSURE=1200\n"
                                     "AE=1\nFLICKER=3\n")
                              << true << CameraSettingsRecord{40, -150, 3, 1200, 1, 3};
    QTest::newRow("one key missing")
        << QByteArray("BRIGHTNESS=40\nHUE=-150\nCONTRAST=3\nEXPOSURE=1200\nAE=1\n") << false
        << untouched;
    QTest::newRow("no marks a key as missing")
        << QByteArray("BRIGHTNESS=40\nHUE=no\nCONTRAST=3\nEXPOSURE=1200\nAE=1\nFLICKER=3\n")
        << false << untouched;
    QTest::newRow("capital No reads as 0")
        << QByteArray("BRIGHTNESS=40\nHUE=No\nCONTRAST=3\nEXPOSURE=1200\nAE=1\nFLICKER=3\n") << true
        << CameraSettingsRecord{40, 0, 3, 1200, 1, 3};
    QTest::newRow("text reads as its leading number")
        << QByteArray("BRIGHTNESS=4x\nHUE=abc\nCONTRAST=\nEXPOSURE= 12\nAE=1\nFLICKER=3\n") << true
        << CameraSettingsRecord{4, 0, 0, 12, 1, 3};
    QTest::newRow("long value cut to nine characters")
        << QByteArray("BRIGHTNESS=1234567890\nHUE=0\nCONTRAST=0\nEXPOSURE=0\nAE=0\nFLICKER=1\n")
        << true << CameraSettingsRecord{123456789, 0, 0, 0, 0, 1};
}

void ConfigTest::readModeSettings() {
    QFETCH(QByteArray, section);
    QFETCH(bool, found);
    QFETCH(CameraSettingsRecord, expected);

    writeConfig("[MODE3_640X480]\n" + section + "[MODE3_1280X960]\nFLICKER=2\n");
    CameraSettingsRecord record{-1, -1, -1, -1, -1, -1};
    QCOMPARE(config_->ReadModeSettings(viewer::settingsIndex(3, 0), record), found);
    QVERIFY(record == expected);
}

void ConfigTest::settingsIndexOutOfRangeIsRefused() {
    CameraSettingsRecord record{7, 7, 7, 7, 7, 7};
    QVERIFY(!config_->WriteModeSettings(-1, record));
    QVERIFY(!config_->WriteModeSettings(viewer::kSettingsIndexCount, record));
    QVERIFY(!QFileInfo::exists(configPath()));
    QVERIFY(config_->WriteModeSettings(viewer::kSettingsIndexCount - 1, {}));
    QVERIFY(!config_->ReadModeSettings(viewer::kSettingsIndexCount, record));
    QVERIFY(record == (CameraSettingsRecord{7, 7, 7, 7, 7, 7}));
}

void ConfigTest::backgroundColour_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QColor>("expected");

    QTest::newRow("absent") << QByteArray("[CONFIG]\nDIR=/\n") << QColor(231, 231, 231);
    QTest::newRow("red") << QByteArray("[COLOR]\nBACKGROUND=255\n") << QColor(255, 0, 0);
    QTest::newRow("green") << QByteArray("[color]\nbackground= 65280\n") << QColor(0, 255, 0);
    QTest::newRow("blue") << QByteArray("[COLOR]\nBACKGROUND=16711680\n") << QColor(0, 0, 255);
    QTest::newRow("not a number") << QByteArray("[COLOR]\nBACKGROUND=white\n") << QColor(0, 0, 0);
}

void ConfigTest::backgroundColour() {
    QFETCH(QByteArray, content);
    QFETCH(QColor, expected);

    writeConfig(content);
    QCOMPARE(viewer::colorFromColorRef(config_->GetBackgroundColour()), expected);
}

void ConfigTest::logoAndSkinValues() {
    writeConfig(
        "[CONFIG]\nLOGO=/pictures/logo.bmp\nSKIN=/pictures/skin.jpg\nLOGOPOS_X= 12\n"
        "LOGOPOS_Y=top\n");
    QCOMPARE(config_->GetLogoPath(), QStringLiteral("/pictures/logo.bmp"));
    QCOMPARE(config_->GetSkinPath(), QStringLiteral("/pictures/skin.jpg"));
    QCOMPARE(config_->GetLogoPosition(), QPoint(12, 0));
}

void ConfigTest::settingDialogValues() {
    writeConfig("[MODE1_640X480]\nFLICKER=2\n");
    QVERIFY(config_->WriteSettingDialogValues(QStringLiteral("/s.bmp"), QStringLiteral("/g"),
                                              QString()));
    QCOMPARE(readTestFile(configPath()),
             QByteArray("[MODE1_640X480]\nFLICKER=2\n[CONFIG]\nSKIN=/s.bmp\nDIR=/g\nLOGO=\n"));

    // A file name may hold a line break; storing it must not smuggle lines into the file.
    const QByteArray before = readTestFile(configPath());
    QVERIFY(!config_->WriteSettingDialogValues(QStringLiteral("/x\n[COLOR]\nBACKGROUND=255"),
                                               QStringLiteral("/g"), QString()));
    QCOMPARE(readTestFile(configPath()), before);
    QCOMPARE(viewer::colorFromColorRef(config_->GetBackgroundColour()), QColor(231, 231, 231));
}

void ConfigTest::captureCounter_data() {
    QTest::addColumn<QByteArray>("counterFile");  // empty: none
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("lastNumberAfter");

    QTest::newRow("no counter file") << QByteArray() << 1 << "0";
    QTest::newRow("last written yesterday")
        << QByteArray("[ID]\nLASTNUM=7\nLASTFILENAME=231206_007\n") << 1 << "0";
    QTest::newRow("written today")
        << QByteArray("[ID]\nLASTNUM=12\nLASTFILENAME=231207_012\n") << 12 << "12";
    QTest::newRow("number cut to four characters")
        << QByteArray("[ID]\nLASTNUM=123456\nLASTFILENAME=231207_123456\n") << 1234 << "123456";
    QTest::newRow("name shorter than a date")
        << QByteArray("[ID]\nLASTNUM=5\nLASTFILENAME=2312\n") << 1 << "0";
}

void ConfigTest::captureCounter() {
    QFETCH(QByteArray, counterFile);
    QFETCH(int, expected);
    QFETCH(QString, lastNumberAfter);

    useGalleryWithId(QStringLiteral("LINE1"));
    const QString path = root(QStringLiteral("gallery/LINE1/ID.ini"));
    if (!counterFile.isEmpty()) {
        QVERIFY(writeTestFile(path, counterFile));
    }
    QCOMPARE(config_->ReadCaptureCounter(QStringLiteral("LINE1"), QStringLiteral("231207")),
             expected);
    QCOMPARE(viewer::readProfileString(path, "ID", "LASTNUM", QString(), 100), lastNumberAfter);
}

void ConfigTest::captureCounterWithoutIdFolder() {
    useGalleryWithId(QStringLiteral("LINE1"));
    QCOMPARE(config_->ReadCaptureCounter(QStringLiteral("LINE2"), QStringLiteral("231207")), 1);
    QVERIFY(!QFileInfo::exists(root(QStringLiteral("gallery/LINE2"))));
}

void ConfigTest::captureCounterFollowsWhatWasProposed() {
    useGalleryWithId(QStringLiteral("LINE1"));
    QVERIFY(config_->WriteCaptureCounter(QStringLiteral("LINE1"), 3, QStringLiteral("231207_003")));
    QCOMPARE(config_->ReadCaptureCounter(QStringLiteral("LINE1"), QStringLiteral("231207")), 3);
    QCOMPARE(config_->ReadCaptureCounter(QStringLiteral("LINE1"), QStringLiteral("231208")), 1);
}

void ConfigTest::captureNameExists_data() {
    QTest::addColumn<QString>("existingFile");  // inside the gallery
    QTest::addColumn<bool>("exists");

    QTest::newRow("bitmap") << "LINE1/231207_001.bmp" << true;
    QTest::newRow("jpeg") << "LINE1/231207_001.jpg" << true;
    QTest::newRow("other extension") << "LINE1/231207_001.png" << false;
    QTest::newRow("other ID folder") << "LINE2/231207_001.bmp" << false;
    QTest::newRow("gallery itself") << "231207_001.bmp" << false;
}

void ConfigTest::captureNameExists() {
    QFETCH(QString, existingFile);
    QFETCH(bool, exists);

    useGalleryWithId(QStringLiteral("LINE1"));
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("gallery/LINE2")));
    QVERIFY(writeTestFile(root(QStringLiteral("gallery/") + existingFile), "picture"));
    QCOMPARE(config_->CaptureNameExists(QStringLiteral("LINE1"), QStringLiteral("231207_001")),
             exists);
}

void ConfigTest::skinPicture_data() {
    QTest::addColumn<QString>("skin");  // "@" stands for the temporary root
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("tolerance");

    QTest::newRow("bitmap") << "@/skin.bmp" << true << 0;
    QTest::newRow("jpeg") << "@/skin.jpg" << true << 12;
    QTest::newRow("missing file") << "@/none.bmp" << false << 0;
    QTest::newRow("not a picture") << "@/start/config.ini" << false << 0;
    QTest::newRow("no skin") << "" << false << 0;
}

void ConfigTest::skinPicture() {
    QFETCH(QString, skin);
    QFETCH(bool, loaded);
    QFETCH(int, tolerance);

    // Four coloured quadrants, and a shape unlike the view's, so a kept aspect ratio would show.
    const QColor corners[4] = {QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200),
                               QColor(220, 220, 40)};
    QImage picture(64, 16, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixelColor(x, y, corners[(y < 8 ? 0 : 2) + (x < 32 ? 0 : 1)]);
        }
    }
    QVERIFY(picture.save(root(QStringLiteral("skin.bmp")), "BMP"));
    QVERIFY(picture.save(root(QStringLiteral("skin.jpg")), "JPG", 100));
    writeConfig("[CONFIG]\nSKIN=" + skin.replace(u'@', dir_->path()).toUtf8() + "\n");

    QImage holder(8, 8, QImage::Format_RGB32);  // a previous skin must always go
    holder.fill(Qt::white);
    config_->LoadSkinBitmap(holder);
    QCOMPARE(holder.isNull(), !loaded);
    if (!loaded) {
        return;
    }
    QCOMPARE(holder.size(), QSize(1024, 768));
    const QPoint probes[4] = {{200, 150}, {824, 150}, {200, 618}, {824, 618}};
    for (int i = 0; i < 4; ++i) {
        const QColor got = holder.pixelColor(probes[i]);
        QVERIFY2(qAbs(got.red() - corners[i].red()) <= tolerance &&
                     qAbs(got.green() - corners[i].green()) <= tolerance &&
                     qAbs(got.blue() - corners[i].blue()) <= tolerance,
                 qPrintable(QStringLiteral("quadrant %1 is %2").arg(i).arg(got.name())));
    }
}

void ConfigTest::instanceStartsAtTheCurrentDirectory() {
    CConfig& config = CConfig::Instance();
    QCOMPARE(&CConfig::Instance(), &config);
    QCOMPARE(config.GetStartDirectory(), QDir::currentPath());
    QCOMPARE(config.GetProgramConfigPath(), QDir::currentPath() + QStringLiteral("/config.ini"));
}

QTEST_MAIN(ConfigTest)
#include "config_test.moc"
