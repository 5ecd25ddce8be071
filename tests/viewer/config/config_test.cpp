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
#include "file_size_limit.h"
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
    void modeSettingsRoundTripInTheirOwnSections();
    void modeRecordIsSavedWholeOrNotAtAll();
    void readModeSettings_data();
    void readModeSettings();
    void backgroundColour_data();
    void backgroundColour();
    void settingDialogValues();
    void captureCounter_data();
    void captureCounter();
    void captureNameExists_data();
    void captureNameExists();
    void skinPicture_data();
    void skinPicture();

private:
    QString root(const QString& relative) const { return dir_->filePath(relative); }
    QString configPath() const { return root(QStringLiteral("start/config.ini")); }
    QString dataFolder() const { return root(QStringLiteral("documents/e-NodraData")); }
    void writeConfig(const QByteArray& content) const {
        QVERIFY(writeTestFile(configPath(), content));
    }
    // Points the gallery at <root>/gallery, which holds the folder of capture ID "LINE1".
    void useGallery() const {
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("gallery/LINE1")));
        writeConfig("[CONFIG]\nDIR=" + root(QStringLiteral("gallery")).toUtf8() + "\n");
    }

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

void ConfigTest::withoutAnyFileEverythingHasItsDefault() {
    QCOMPARE(config_->GetGalleryFolder(), dataFolder());
    QVERIFY(QFileInfo(dataFolder()).isDir());
    QCOMPARE(readTestFile(dataFolder() + QStringLiteral("/config.ini")),
             QByteArray("[CONFIG]\nCONFIG=1\n"));
    QCOMPARE(config_->GetSkinPath(), QString());
    QCOMPARE(config_->GetLogoPath(), QString());
    QCOMPARE(config_->GetLogoPosition(), QPoint(70, 23));
    CameraSettingsRecord record;
    QVERIFY(!config_->ReadModeSettings(0, record));
    QVERIFY(!QFileInfo::exists(configPath()));  // reading never creates the program's file
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
    QVERIFY(QDir().mkpath(dataFolder()));
    QVERIFY(writeTestFile(root(QStringLiteral("gallery/picture.bmp")), "BM"));
    const QByteArray content = "[CONFIG]\nDIR=" + dir.replace(u'@', dir_->path()).toUtf8() + "\n";
    writeConfig(content);

    QCOMPARE(config_->GetGalleryFolder(), expected == QStringLiteral("default")
                                              ? dataFolder()
                                              : expected.replace(u'@', dir_->path()));
    // The configured value is never rewritten; the data folder is marked whichever is used.
    QCOMPARE(readTestFile(configPath()), content);
    QCOMPARE(readTestFile(dataFolder() + QStringLiteral("/config.ini")),
             QByteArray("[CONFIG]\nCONFIG=1\n"));
}

void ConfigTest::modeSettingsRoundTripInTheirOwnSections() {
    for (int index = 0; index < viewer::kSettingsIndexCount; ++index) {
        QVERIFY(config_->WriteModeSettings(index, {index, -150 - index, 3, 1200, 1, 2}));
    }
    for (int index = 0; index < viewer::kSettingsIndexCount; ++index) {
        CameraSettingsRecord read;
        QVERIFY(config_->ReadModeSettings(index, read));
        QVERIFY(read == (CameraSettingsRecord{index, -150 - index, 3, 1200, 1, 2}));
    }
    QVERIFY(readTestFile(configPath())
                .contains("[MODE2_1280X960]\nBRIGHTNESS=3\nHUE=-153\nCONTRAST=3\nEXPOSURE=1200\n"
                          "AE=1\nFLICKER=2\n"));
    // An index outside the table touches nothing.
    QVERIFY(!config_->WriteModeSettings(viewer::kSettingsIndexCount, {}));
    CameraSettingsRecord unchanged{7, 7, 7, 7, 7, 7};
    QVERIFY(!config_->ReadModeSettings(-1, unchanged));
    QVERIFY(unchanged == (CameraSettingsRecord{7, 7, 7, 7, 7, 7}));
}

// Six keys, one replacement of the file: a save that fails part-way never mixes two records.
void ConfigTest::modeRecordIsSavedWholeOrNotAtAll() {
    const CameraSettingsRecord before{1, 1, 1, 1, 1, 1};
    QVERIFY(config_->WriteModeSettings(0, before));
    const auto size = QFileInfo(configPath()).size();
    {
        const viewer::test::FileSizeLimit roomForOneKey{rlim_t(size + 4)};
        QVERIFY(!config_->WriteModeSettings(0, {1000, 1000, 1000, 1000, 1000, 1000}));
    }
    CameraSettingsRecord read;
    QVERIFY(config_->ReadModeSettings(0, read));
    QCOMPARE(read, before);
}

void ConfigTest::readModeSettings_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<bool>("found");
    QTest::addColumn<CameraSettingsRecord>("expected");

    const CameraSettingsRecord untouched{-1, -1, -1, -1, -1, -1};
    QTest::newRow("one key missing")
        << QByteArray("BRIGHTNESS=40\nHUE=-150\nCONTRAST=3\nEXPOSURE=1200\nAE=1\n") << false
        << untouched;
    QTest::newRow("no marks a key as missing")
        << QByteArray("BRIGHTNESS=40\nHUE=no\nCONTRAST=3\nEXPOSURE=1200\nAE=1\nFLICKER=3\n")
        << false << untouched;
    QTest::newRow("other text reads like atoi, cut to nine characters")
        << QByteArray("brightness=1234567890\nHue=No\nCONTRAST=\nEXPOSURE= 12x\nAE=1\nFLICKER=3\n")
        << true << CameraSettingsRecord{123456789, 0, 0, 12, 1, 3};
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

void ConfigTest::backgroundColour_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QColor>("expected");

    QTest::newRow("absent") << QByteArray("[CONFIG]\nDIR=/\n") << QColor(231, 231, 231);
    QTest::newRow("255 is red") << QByteArray("[COLOR]\nBACKGROUND=255\n") << QColor(255, 0, 0);
    QTest::newRow("16711680 is blue")
        << QByteArray("[color]\nbackground=16711680\n") << QColor(0, 0, 255);
}

void ConfigTest::backgroundColour() {
    QFETCH(QByteArray, content);
    QFETCH(QColor, expected);

    writeConfig(content);
    QCOMPARE(viewer::colorFromColorRef(config_->GetBackgroundColour()), expected);
}

void ConfigTest::settingDialogValues() {
    writeConfig("[MODE1_640X480]\nFLICKER=2\n");
    QVERIFY(config_->WriteSettingDialogValues(QStringLiteral("/s.bmp"), QStringLiteral("/g"),
                                              QString()));
    const QByteArray written = readTestFile(configPath());
    QCOMPARE(written,
             QByteArray("[MODE1_640X480]\nFLICKER=2\n[CONFIG]\nSKIN=/s.bmp\nDIR=/g\nLOGO=\n"));

    // A file name may hold a line break; storing it must not smuggle lines into the file.
    QVERIFY(!config_->WriteSettingDialogValues(QStringLiteral("/x\n[COLOR]\nBACKGROUND=255"),
                                               QStringLiteral("/g"), QString()));
    QCOMPARE(readTestFile(configPath()), written);
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
}

void ConfigTest::captureCounter() {
    QFETCH(QByteArray, counterFile);
    QFETCH(int, expected);
    QFETCH(QString, lastNumberAfter);

    useGallery();
    const QString path = root(QStringLiteral("gallery/LINE1/ID.ini"));
    if (!counterFile.isEmpty()) {
        QVERIFY(writeTestFile(path, counterFile));
    }
    QCOMPARE(config_->ReadCaptureCounter(QStringLiteral("LINE1"), QStringLiteral("231207")),
             expected);
    QCOMPARE(viewer::readProfileString(path, "ID", "LASTNUM", QString(), 100), lastNumberAfter);

    QVERIFY(config_->WriteCaptureCounter(QStringLiteral("LINE1"), 3, QStringLiteral("231207_003")));
    QCOMPARE(config_->ReadCaptureCounter(QStringLiteral("LINE1"), QStringLiteral("231207")), 3);
}

void ConfigTest::captureNameExists_data() {
    QTest::addColumn<QString>("existingFile");  // inside the gallery
    QTest::addColumn<bool>("exists");

    QTest::newRow("bitmap") << "LINE1/231207_001.bmp" << true;
    QTest::newRow("jpeg") << "LINE1/231207_001.jpg" << true;
    QTest::newRow("other extension") << "LINE1/231207_001.png" << false;
    QTest::newRow("gallery itself") << "231207_001.bmp" << false;
}

void ConfigTest::captureNameExists() {
    QFETCH(QString, existingFile);
    QFETCH(bool, exists);

    useGallery();
    QVERIFY(writeTestFile(root(QStringLiteral("gallery/") + existingFile), "picture"));
    QCOMPARE(config_->CaptureNameExists(QStringLiteral("LINE1"), QStringLiteral("231207_001")),
             exists);
}

void ConfigTest::skinPicture_data() {
    QTest::addColumn<QString>("skin");   // "@" stands for the temporary root
    QTest::addColumn<int>("tolerance");  // negative: nothing loads

    QTest::newRow("bitmap") << "@/skin.bmp" << 0;
    QTest::newRow("jpeg") << "@/skin.jpg" << 12;
    QTest::newRow("missing file") << "@/none.bmp" << -1;
    QTest::newRow("not a picture") << "@/start/config.ini" << -1;
    QTest::newRow("no skin") << "" << -1;
}

void ConfigTest::skinPicture() {
    QFETCH(QString, skin);
    QFETCH(int, tolerance);

    // Four coloured quadrants, in a shape unlike the view's, so a kept aspect ratio would show.
    const QColor quadrants[4] = {QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200),
                                 QColor(220, 220, 40)};
    QImage picture(64, 16, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixelColor(x, y, quadrants[(y < 8 ? 0 : 2) + (x < 32 ? 0 : 1)]);
        }
    }
    QVERIFY(picture.save(root(QStringLiteral("skin.bmp")), "BMP"));
    QVERIFY(picture.save(root(QStringLiteral("skin.jpg")), "JPG", 100));
    writeConfig("[CONFIG]\nSKIN=" + skin.replace(u'@', dir_->path()).toUtf8() + "\n");

    QImage holder(8, 8, QImage::Format_RGB32);  // a previous skin always goes
    config_->LoadSkinBitmap(holder);
    QCOMPARE(holder.isNull(), tolerance < 0);
    if (tolerance < 0) {
        return;
    }
    QCOMPARE(holder.size(), QSize(1024, 768));
    const QPoint probes[4] = {{200, 150}, {824, 150}, {200, 618}, {824, 618}};
    for (int i = 0; i < 4; ++i) {
        const QColor got = holder.pixelColor(probes[i]);
        QVERIFY2(qAbs(got.red() - quadrants[i].red()) <= tolerance &&
                     qAbs(got.green() - quadrants[i].green()) <= tolerance &&
                     qAbs(got.blue() - quadrants[i].blue()) <= tolerance,
                 qPrintable(QStringLiteral("quadrant %1 is %2").arg(i).arg(got.name())));
    }
}

QTEST_MAIN(ConfigTest)
#include "config_test.moc"
