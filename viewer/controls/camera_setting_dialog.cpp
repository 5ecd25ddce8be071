#include "controls/camera_setting_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>

#include <array>

#include "camera/camera_controller.h"
#include "camera/camera_settings.h"
#include "config/config.h"
#include "controls/dialog_units.h"
#include "controls/mode_changed_event.h"
#include "controls/resource_access.h"

namespace {

// Control IDs of dialog 200.
constexpr int kFlickerList = 1031;
constexpr int kBrightnessLabel = 1038, kHueLabel = 1039, kContrastLabel = 1040,
              kExposureLabel = 1041;
constexpr int kBrightnessSlider = 1042, kHueSlider = 1043, kContrastSlider = 1044,
              kExposureSlider = 1045;
constexpr int kBrightnessEdit = 1049, kHueEdit = 1020, kContrastEdit = 1021, kExposureEdit = 1022;
constexpr int kAutoExposureCheck = 1047;
constexpr int kDefaultButton = 1048, kOkButton = 1011, kCancelButton = 1012, kApplyButton = 1013;
constexpr int kModeCaption = 1052, kModeText = 1054;

// The flicker list's rows, top to bottom, by flicker code.
constexpr std::array<int, 3> kFlickerCodes{2, 1, 3};

struct SliderRow {
    QLabel* label;
    QSlider* slider;
    QLineEdit* edit;
};

SliderRow addSliderRow(QWidget* dialog, int row, const char* caption, int labelId, int sliderId,
                       int editId, int minimum, int maximum) {
    const int y = 10 + 20 * row;
    auto* label = new QLabel(QString::fromLatin1(caption), dialog);
    viewer::SetControlId(label, labelId);
    label->setGeometry(viewer::DialogUnitRect(7, y + 2, 46, 9));
    auto* slider = new QSlider(Qt::Horizontal, dialog);
    viewer::SetControlId(slider, sliderId);
    slider->setGeometry(viewer::DialogUnitRect(55, y, 175, 14));
    slider->setTickPosition(QSlider::NoTicks);
    slider->setRange(minimum, maximum);
    auto* edit = new QLineEdit(dialog);
    viewer::SetControlId(edit, editId);
    edit->setGeometry(viewer::DialogUnitRect(235, y + 1, 45, 12));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    return {label, slider, edit};
}

QPushButton* addButton(QWidget* dialog, const char* caption, int id, int x) {
    auto* button = new QPushButton(QString::fromLatin1(caption), dialog);
    viewer::SetControlId(button, id);
    button->setGeometry(viewer::DialogUnitRect(x, 106, 50, 14));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

int CPropertyPages::FlickerIndexOfCode(int code) {
    return code == 3 ? 2 : code == 2 ? 0 : 1;
}

int CPropertyPages::FlickerCodeOfIndex(int index) {
    return index >= 0 && index < static_cast<int>(kFlickerCodes.size())
               ? kFlickerCodes[static_cast<std::size_t>(index)]
               : 1;
}

CPropertyPages::CPropertyPages(CCameraController& controller, const CCameraSettings& settings,
                               const CConfig& config, int resolutionMode, QWidget* parent)
    : QDialog(parent),
      controller_(controller),
      settings_(settings),
      config_(config),
      resolutionMode_(resolutionMode) {
    setWindowTitle(QStringLiteral("Camera Setting"));
    setWindowFlags(viewer::kDialogWindowFlags);
    setFixedSize(viewer::DialogUnitsX(291), viewer::DialogUnitsY(126));

    const SliderRow brightness = addSliderRow(this, 0, "Brightness", kBrightnessLabel,
                                              kBrightnessSlider, kBrightnessEdit, 0, 255);
    const SliderRow hue =
        addSliderRow(this, 1, "Hue", kHueLabel, kHueSlider, kHueEdit, -1800, 1800);
    const SliderRow contrast = addSliderRow(this, 2, "Contrast", kContrastLabel, kContrastSlider,
                                            kContrastEdit, -1024, 1024);
    const SliderRow exposure =
        addSliderRow(this, 3, "Exposure", kExposureLabel, kExposureSlider, kExposureEdit, 0, 4096);
    brightnessLabel_ = brightness.label;
    brightnessSlider_ = brightness.slider;
    brightnessEdit_ = brightness.edit;
    hueSlider_ = hue.slider;
    hueEdit_ = hue.edit;
    contrastSlider_ = contrast.slider;
    contrastEdit_ = contrast.edit;
    exposureLabel_ = exposure.label;
    exposureSlider_ = exposure.slider;
    exposureEdit_ = exposure.edit;

    autoExposure_ = new QCheckBox(QStringLiteral("AE"), this);
    viewer::SetControlId(autoExposure_, kAutoExposureCheck);
    autoExposure_->setGeometry(viewer::DialogUnitRect(7, 89, 30, 10));
    auto* flickerLabel = new QLabel(QStringLiteral("Flicker"), this);
    flickerLabel->setGeometry(viewer::DialogUnitRect(42, 90, 28, 9));
    flicker_ = new QComboBox(this);
    viewer::SetControlId(flicker_, kFlickerList);
    flicker_->addItems({QStringLiteral("AUTO"), QStringLiteral("50Hz"), QStringLiteral("60Hz")});
    flicker_->setGeometry(viewer::DialogUnitRect(70, 87, 50, 14));
    auto* modeCaption = new QLabel(QStringLiteral("Current Mode:"), this);
    viewer::SetControlId(modeCaption, kModeCaption);
    modeCaption->setGeometry(viewer::DialogUnitRect(130, 90, 60, 9));
    modeText_ = new QLabel(this);
    viewer::SetControlId(modeText_, kModeText);
    modeText_->setGeometry(viewer::DialogUnitRect(190, 90, 95, 9));

    auto* defaults = addButton(this, "Default", kDefaultButton, 7);
    auto* ok = addButton(this, "&OK", kOkButton, 122);
    auto* cancel = addButton(this, "&Cancel", kCancelButton, 177);
    apply_ = addButton(this, "&Apply", kApplyButton, 232);
    apply_->setEnabled(false);

    // Every move reaches the camera at once; the stored values change only with Apply.
    connect(brightnessSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.brightness = position;
        controller_.SetBrightness(position);
        changed();
    });
    connect(hueSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.hue = position;
        controller_.SetHue(position);
        changed();
    });
    connect(contrastSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.contrast = position;
        controller_.SetContrast(position);
        changed();
    });
    connect(exposureSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.exposure = position;
        controller_.SetExposure(position, exposureFactor_);
        changed();
    });
    connect(autoExposure_, &QCheckBox::clicked, this, &CPropertyPages::onAutoExposure);
    connect(flicker_, &QComboBox::currentIndexChanged, this, &CPropertyPages::onFlicker);
    connect(defaults, &QPushButton::clicked, this, &CPropertyPages::onDefault);
    connect(apply_, &QPushButton::clicked, this, &CPropertyPages::onApply);
    connect(ok, &QPushButton::clicked, this, [this] {
        onApply();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    std::int32_t mode = -1;
    controller_.CheckMode(&mode);
    cameraMode_ = mode;
    reload();
}

void CPropertyPages::reload() {
    QString text;
    if (cameraMode_ >= 1 && cameraMode_ <= 3) {
        text = QStringLiteral("MODE%1_").arg(cameraMode_);
    }
    if (resolutionMode_ == 0) {
        text += QStringLiteral("640X480");
    } else if (resolutionMode_ == 1) {
        text += QStringLiteral("1280X960");
    }
    modeText_->setText(text);

    exposureFactor_ = controller_.DefaultExposureFactor(cameraMode_);
    values_ = settings_.StoredRecord();
    showValues(true);
    settings_.Apply(values_);
    enableGroups();
}

void CPropertyPages::showValues(bool withControls) {
    brightnessEdit_->setText(QString::number(values_.brightness));
    hueEdit_->setText(QString::number(values_.hue * 0.1, 'f', 1));
    contrastEdit_->setText(QString::number(values_.contrast));
    exposureEdit_->setText(QString::number(values_.exposure));
    autoExposure_->setChecked(values_.autoExposure != 0);
    if (!withControls) {
        return;
    }
    // Positions set here are no user changes: nothing goes to the camera for them.
    const QSignalBlocker b1(brightnessSlider_), b2(hueSlider_), b3(contrastSlider_),
        b4(exposureSlider_), b5(flicker_);
    brightnessSlider_->setValue(values_.brightness);
    hueSlider_->setValue(values_.hue);
    contrastSlider_->setValue(values_.contrast);
    exposureSlider_->setValue(values_.exposure);
    flicker_->setCurrentIndex(FlickerIndexOfCode(values_.flicker));
}

void CPropertyPages::enableGroups() {
    const bool on = values_.autoExposure != 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(brightnessLabel_), static_cast<QWidget*>(brightnessSlider_),
          static_cast<QWidget*>(brightnessEdit_)}) {
        widget->setEnabled(on);
    }
    for (QWidget* widget :
         {static_cast<QWidget*>(exposureLabel_), static_cast<QWidget*>(exposureSlider_),
          static_cast<QWidget*>(exposureEdit_)}) {
        widget->setEnabled(!on);
    }
}

void CPropertyPages::changed() {
    showValues(false);
    apply_->setEnabled(true);
}

void CPropertyPages::onAutoExposure() {
    values_.autoExposure = autoExposure_->isChecked() ? 1 : 0;
    controller_.SetAE(values_.autoExposure);
    enableGroups();
    changed();
}

void CPropertyPages::onFlicker(int index) {
    values_.flicker = FlickerCodeOfIndex(index);
    controller_.SetFlicker(values_.flicker);
    changed();
}

void CPropertyPages::onDefault() {
    values_ = settings_.CameraDefaults();
    settings_.Apply(values_);
    showValues(true);
    onAutoExposure();
}

void CPropertyPages::onApply() {
    config_.WriteModeSettings(settings_.CurrentIndex(), values_);
    apply_->setEnabled(false);
    applied_ = true;
}

void CPropertyPages::done(int result) {
    if (!applied_) {
        reload();
    }
    QDialog::done(result);
}

bool CPropertyPages::event(QEvent* event) {
    if (event->type() == CModeChangedEvent::kType) {
        const auto* changedMode = static_cast<CModeChangedEvent*>(event);
        cameraMode_ = changedMode->CameraMode();
        resolutionMode_ = changedMode->ResolutionMode();
        reload();
        return true;
    }
    return QDialog::event(event);
}

void CPropertyPages::showEvent(QShowEvent* event) {
    viewer::OpenCameraSettingDialog() = this;
    QDialog::showEvent(event);
}

void CPropertyPages::hideEvent(QHideEvent* event) {
    // A minimised dialog is still open and still follows the camera's mode.
    if (!event->spontaneous() && viewer::OpenCameraSettingDialog() == this) {
        viewer::OpenCameraSettingDialog() = nullptr;
    }
    QDialog::hideEvent(event);
}
