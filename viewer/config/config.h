// CConfig: every read and write of the viewer's settings files goes through here.
//
// Files: config.ini in the start directory (program settings and the per-mode camera settings),
// a marker config.ini in the default data folder, a marker config.ini in every folder the gallery
// lists, and ID.ini in each capture-ID folder. Nothing is cached: each call reads the file again,
// so a change by another part, or by hand, is seen at the next call. Failed writes are silent
// (the result says so; callers may ignore it) and a missing value gives its default.
// GUI thread only.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

#include "config/camera_settings_record.h"

class CConfig {
public:
    // The process-wide instance, created on the first call with the process's current directory
    // as the start directory: make the first call at start-up, before the directory changes.
    static CConfig& Instance();

    // An instance over explicit locations; the documents folder is the per-user folder that
    // holds the default data folder.
    CConfig(QString startDirectory, QString documentsFolder);

    CConfig(const CConfig&) = delete;
    CConfig& operator=(const CConfig&) = delete;

    QString GetStartDirectory() const { return startDirectory_; }
    QString GetProgramConfigPath() const;

    // The documents folder followed by "/e-NodraData".
    QString GetDefaultDataFolder() const;

    // The configured gallery folder without trailing slashes; the default data folder (created
    // one level deep if need be) when the configured one is not an existing folder. Also marks
    // the default data folder with its config.ini on every call.
    QString GetGalleryFolder() const;

    int GetBackgroundColour() const;  // a COLORREF; see color_ref.h
    QString GetLogoPath() const;      // "" when unset
    QString GetSkinPath() const;      // "" when unset
    QPoint GetLogoPosition() const;   // (70, 23) when unset

    // Empties `skin`, then fills it with the configured skin picture stretched to 1024 x 768;
    // it stays empty when no skin is set or the picture cannot be read.
    void LoadSkinBitmap(QImage& skin) const;

    // False, leaving `record` as it was, when the index is out of range or any of its six
    // values is missing or "no".
    bool ReadModeSettings(int settingsIndex, viewer::CameraSettingsRecord& record) const;
    bool WriteModeSettings(int settingsIndex, const viewer::CameraSettingsRecord& record) const;

    // The Setting dialog's values, stored in the order SKIN, DIR, LOGO.
    bool WriteSettingDialogValues(const QString& skinPath, const QString& galleryFolder,
                                  const QString& logoPath) const;

    // The number to start today's capture-name search at, from the capture-ID folder's ID.ini.
    // `dateText` is today as "yymmdd"; a counter file last written on another day is reset.
    int ReadCaptureCounter(const QString& captureId, const QString& dateText) const;
    // Records the number and name just proposed for a capture in that ID's folder.
    bool WriteCaptureCounter(const QString& captureId, int number, const QString& name) const;

    // True when "<gallery>/<captureId>/<name>.bmp" or the same with ".jpg" exists.
    bool CaptureNameExists(const QString& captureId, const QString& name) const;

    // Marks a folder the gallery lists with a config.ini of its own.
    bool WriteFolderMarker(const QString& folder) const;

private:
    QString readConfig(const char* section, const char* key, const QString& defaultValue,
                       int bufferSize) const;
    QString counterFilePath(const QString& captureId) const;

    QString startDirectory_;
    QString documentsFolder_;
};
