#include "config/config.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>
#include <utility>

#include "config/leading_int.h"
#include "config/profile_file.h"
#include "config/skin_picture.h"

namespace {

using viewer::CameraSettingsRecord;

// Read buffer sizes: a longer value is cut to one character less.
constexpr int kPathBuffer = 260;
constexpr int kSkinBuffer = 100;
constexpr int kLogoPositionBuffer = 100;
constexpr int kNumberBuffer = 10;
constexpr int kLastNumberBuffer = 5;
constexpr int kLastFileNameBuffer = 12;

constexpr std::array<const char*, viewer::kSettingsIndexCount> kModeSections{
    "MODE1_640X480",  "MODE1_1280X960", "MODE2_640X480",
    "MODE2_1280X960", "MODE3_640X480",  "MODE3_1280X960"};

struct ModeKey {
    const char* name;
    std::int32_t CameraSettingsRecord::*field;
};
constexpr std::array<ModeKey, 6> kModeKeys{{
    {"BRIGHTNESS", &CameraSettingsRecord::brightness},
    {"HUE", &CameraSettingsRecord::hue},
    {"CONTRAST", &CameraSettingsRecord::contrast},
    {"EXPOSURE", &CameraSettingsRecord::exposure},
    {"AE", &CameraSettingsRecord::autoExposure},
    {"FLICKER", &CameraSettingsRecord::flicker},
}};

// A per-mode value of exactly this text counts as missing.
const QString kAbsentMode = QStringLiteral("no");

bool validSettingsIndex(int index) {
    return index >= 0 && index < viewer::kSettingsIndexCount;
}

QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

}  // namespace

CConfig& CConfig::Instance() {
    static CConfig instance(QDir::currentPath(), documentsFolder());
    return instance;
}

CConfig::CConfig(QString startDirectory, QString documentsFolder)
    : startDirectory_(std::move(startDirectory)), documentsFolder_(std::move(documentsFolder)) {}

QString CConfig::GetProgramConfigPath() const {
    return startDirectory_ + QStringLiteral("/config.ini");
}

QString CConfig::GetDefaultDataFolder() const {
    return documentsFolder_ + QStringLiteral("/e-NodraData");
}

QString CConfig::GetGalleryFolder() const {
    const QString defaultFolder = GetDefaultDataFolder();
    QString folder = readConfig("CONFIG", "DIR", defaultFolder, kPathBuffer);
    while (folder.endsWith(u'/')) {
        folder.chop(1);
    }
    // An empty folder name stands for the root: paths built on it start at "/".
    const QFileInfo probe(folder.isEmpty() ? QStringLiteral("/") : folder);
    if (!probe.isDir() || !probe.isReadable()) {
        // The configured value stays in the file, so the fallback repeats until it is fixed.
        QDir().mkdir(defaultFolder);
        folder = defaultFolder;
    }
    viewer::writeProfileString(defaultFolder + QStringLiteral("/config.ini"), "CONFIG", "CONFIG",
                               QStringLiteral("1"));
    return folder;
}

int CConfig::GetBackgroundColour() const {
    return viewer::leadingInt(
        readConfig("COLOR", "BACKGROUND", QStringLiteral("15198183"), kNumberBuffer));
}

QString CConfig::GetLogoPath() const {
    return readConfig("CONFIG", "LOGO", QString(), kPathBuffer);
}

QString CConfig::GetSkinPath() const {
    return readConfig("CONFIG", "SKIN", QString(), kSkinBuffer);
}

QPoint CConfig::GetLogoPosition() const {
    return {viewer::leadingInt(
                readConfig("CONFIG", "LOGOPOS_X", QStringLiteral("70"), kLogoPositionBuffer)),
            viewer::leadingInt(
                readConfig("CONFIG", "LOGOPOS_Y", QStringLiteral("23"), kLogoPositionBuffer))};
}

void CConfig::LoadSkinBitmap(QImage& skin) const {
    skin = QImage();
    const QString path = GetSkinPath();
    if (!path.isEmpty()) {
        skin = viewer::renderSkinPicture(path);
    }
}

bool CConfig::ReadModeSettings(int settingsIndex, CameraSettingsRecord& record) const {
    if (!validSettingsIndex(settingsIndex)) {
        return false;
    }
    const char* section = kModeSections[static_cast<std::size_t>(settingsIndex)];
    CameraSettingsRecord read;
    for (const ModeKey& key : kModeKeys) {
        const QString text = readConfig(section, key.name, kAbsentMode, kNumberBuffer);
        if (text == kAbsentMode) {
            return false;
        }
        read.*key.field = viewer::leadingInt(text);
    }
    record = read;
    return true;
}

bool CConfig::WriteModeSettings(int settingsIndex, const CameraSettingsRecord& record) const {
    if (!validSettingsIndex(settingsIndex)) {
        return false;
    }
    // One replacement of the file for the whole record: a crash never leaves it mixing two saves.
    std::array<viewer::ProfileEntry, kModeKeys.size()> entries;
    for (std::size_t i = 0; i < kModeKeys.size(); ++i) {
        entries[i] = {kModeKeys[i].name, QString::number(record.*kModeKeys[i].field)};
    }
    return viewer::writeProfileStrings(
        GetProgramConfigPath(), kModeSections[static_cast<std::size_t>(settingsIndex)], entries);
}

bool CConfig::WriteSettingDialogValues(const QString& skinPath, const QString& galleryFolder,
                                       const QString& logoPath) const {
    const std::array<viewer::ProfileEntry, 3> entries{{
        {"SKIN", skinPath},
        {"DIR", galleryFolder},
        {"LOGO", logoPath},
    }};
    return viewer::writeProfileStrings(GetProgramConfigPath(), "CONFIG", entries);
}

int CConfig::ReadCaptureCounter(const QString& captureId, const QString& dateText) const {
    const QString path = counterFilePath(captureId);
    const QString lastNumber =
        viewer::readProfileString(path, "ID", "LASTNUM", QStringLiteral("1"), kLastNumberBuffer);
    const QString lastName = viewer::readProfileString(
        path, "ID", "LASTFILENAME", QStringLiteral("empty"), kLastFileNameBuffer);
    if (lastName.left(6) != dateText.left(6)) {
        viewer::writeProfileString(path, "ID", "LASTNUM", QStringLiteral("0"));
        return 1;
    }
    return viewer::leadingInt(lastNumber);
}

bool CConfig::WriteCaptureCounter(const QString& captureId, int number, const QString& name) const {
    const QString path = counterFilePath(captureId);
    const bool numberWritten =
        viewer::writeProfileString(path, "ID", "LASTNUM", QString::number(number));
    return viewer::writeProfileString(path, "ID", "LASTFILENAME", name) && numberWritten;
}

bool CConfig::CaptureNameExists(const QString& captureId, const QString& name) const {
    const QString stem = GetGalleryFolder() + u'/' + captureId + u'/' + name;
    return QFileInfo::exists(stem + QStringLiteral(".bmp")) ||
           QFileInfo::exists(stem + QStringLiteral(".jpg"));
}

bool CConfig::WriteFolderMarker(const QString& folder) const {
    return viewer::writeProfileString(folder + QStringLiteral("/config.ini"), "README", "First",
                                      QStringLiteral("Never Delete"));
}

QString CConfig::readConfig(const char* section, const char* key, const QString& defaultValue,
                            int bufferSize) const {
    return viewer::readProfileString(GetProgramConfigPath(), section, key, defaultValue,
                                     bufferSize);
}

QString CConfig::counterFilePath(const QString& captureId) const {
    return GetGalleryFolder() + u'/' + captureId + QStringLiteral("/ID.ini");
}
