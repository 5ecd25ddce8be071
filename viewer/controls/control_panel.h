// CControlPanel: the column of picture buttons beside the panes (capture, freeze and resume,
// settings, print, the screen layouts, the resolution, full screen and the capture ID). It
// forwards each command to the main view and keeps its buttons in line with what the view reports.
// GUI thread only.
#pragma once

#include <QString>

#include <array>

#include "controls/skin_dialog.h"

class CConfig;
class CPanelHost;
class CSkinButton;
class QLineEdit;
class QRadioButton;

class CControlPanel : public CSkinDialog {
    Q_OBJECT

public:
    CControlPanel(CPanelHost& host, const CConfig& config, QWidget* parent);

    // Print enabled = printAllowed; Freeze shown while live, Preview otherwise; capture and the
    // resolution buttons enabled unless captureLocked.
    void UpdateFromViewState(bool printAllowed, bool live, bool captureLocked);
    // Capture and the resolution buttons enabled unless locked.
    void UpdateCaptureLock(bool locked);
    // Freeze hidden and Preview shown (or the reverse), then the view pushes its state.
    void AfterFreezeUpdate();
    void AfterResumeUpdate();

    // The capture ID as of the last ID button or Enter in the ID edit (typing alone changes it
    // not).
    QString CaptureId() const { return captureId_; }
    // Where captures go: the gallery folder with a separator, plus the capture ID without the
    // spaces around it and a separator when one is set.
    QString SaveFolder() const;
    // Empties the capture ID and its edit and gives the edit the focus (a refused ID).
    void ClearCaptureId();
    int ResolutionChoice() const { return resolutionChoice_; }
    bool PrintEnabled() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void OnCancel() override;

private:
    CSkinButton* addButton(int id, const char* caption, QPoint at, int normal, int hover,
                           int disabled);
    void selectLayout(int layout);
    void onIdCommand();
    void onSetting();
    void swapFreezePreview(bool live);
    // Reads the capture ID and the resolution choice from the controls.
    void exchangeFromControls();

    CPanelHost& host_;
    const CConfig& config_;
    QLineEdit* idEdit_;
    QRadioButton* radio640_;
    QRadioButton* radio1280_;
    CSkinButton* capture_;
    CSkinButton* freeze_;
    CSkinButton* preview_;
    CSkinButton* print_;
    std::array<CSkinButton*, 4> layoutButtons_{};
    int resolutionChoice_ = 0;
    QString captureId_;
};
