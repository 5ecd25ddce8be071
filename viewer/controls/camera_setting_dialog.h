// CPropertyPages: the "Camera Setting" dialog. The user tunes brightness, hue, contrast,
// exposure, automatic exposure and flicker for the camera's current mode and resolution; every
// change goes to the camera at once, Apply and OK store the values in that mode's section of
// config.ini, and closing without any Apply puts the stored values back on the camera.
// While shown it is the process's open Camera Setting dialog (mode_changed_event.h): the main
// view sends it event 1125 when the mode or the resolution changes. GUI thread only.
#pragma once

#include <QDialog>

#include <cstdint>

#include "config/camera_settings_record.h"

class CCameraController;
class CCameraSettings;
class CConfig;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class CPropertyPages : public QDialog {
    Q_OBJECT

public:
    // Loads the stored values of the current mode and puts them on the camera.
    CPropertyPages(CCameraController& controller, const CCameraSettings& settings,
                   const CConfig& config, int resolutionMode, QWidget* parent);

    // Flicker codes (1 = 50 Hz, 2 = automatic, 3 = 60 Hz) and the list's rows (AUTO, 50Hz, 60Hz).
    static int FlickerIndexOfCode(int code);
    static int FlickerCodeOfIndex(int index);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Every way of closing ends here: without an Apply the stored values go back on the camera.
    void done(int result) override;

private:
    // Shows and applies the stored record of the current mode.
    void reload();
    // Values into the widgets; the sliders and the list only when `withControls`.
    void showValues(bool withControls);
    void enableGroups();
    void changed();
    void onAutoExposure();
    void onFlicker(int index);
    void onDefault();
    void onApply();

    CCameraController& controller_;
    const CCameraSettings& settings_;
    const CConfig& config_;
    viewer::CameraSettingsRecord values_;
    int cameraMode_ = -1;
    int resolutionMode_ = -1;
    std::int32_t exposureFactor_ = 0;  // of the camera mode shown, read at each reload
    bool applied_ = false;

    QSlider* brightnessSlider_;
    QSlider* hueSlider_;
    QSlider* contrastSlider_;
    QSlider* exposureSlider_;
    QLineEdit* brightnessEdit_;
    QLineEdit* hueEdit_;
    QLineEdit* contrastEdit_;
    QLineEdit* exposureEdit_;
    QLabel* brightnessLabel_;
    QLabel* exposureLabel_;
    QCheckBox* autoExposure_;
    QComboBox* flicker_;
    QLabel* modeText_;
    QPushButton* apply_;
};
