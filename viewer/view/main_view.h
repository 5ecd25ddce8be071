// CNKestrumViewerView: the main view, the whole client area of the main frame. It owns the camera
// controller from its initial update on, the control panel, the gallery strip, the five picture
// panes and the "Basket" button; it routes each camera frame to the live pane, runs the 500 ms
// camera check, and carries out the screen layouts, freeze and resume, and the resolution switch.
// GUI thread only.
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QListView>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

#include "controls/panel_host.h"
#include "gallery/gallery_host.h"
#include "gallery/gallery_list.h"
#include "view/view_state.h"

class CCameraController;
class CCameraSettings;
class CConfig;
class CControlPanel;
class CDispView;
class CSkinButton;
class CPaneNotifyEvent;
class CFrameEvent;
class QPainter;
class QPrinter;

class CNKestrumViewerView : public QWidget, public CPanelHost, public CGalleryHost {
    Q_OBJECT

public:
    // Reads the background colour, once per run.
    CNKestrumViewerView(CConfig& config, QWidget* parent);
    ~CNKestrumViewerView() override;

    // Takes over the started controller (may be null: no camera library), creates the children,
    // applies the stored camera settings and starts the 500 ms timer.
    void OnInitialUpdate(std::unique_ptr<CCameraController> controller);

    // Stops and deletes the camera controller; the frame calls it first when closing.
    void ReleaseCamera();
    bool HoldsCamera() const { return controller_ != nullptr; }

    CControlPanel* Panel() const { return panel_; }
    CDispView* Pane(int index) const;
    CGalleryList* GalleryList() const { return gallery_; }
    int ActivePane() const { return state_.ActivePane(); }
    int ResolutionMode() const { return state_.ResolutionMode(); }
    bool StoredImageShown() const { return state_.StoredImageShown(); }
    QRect LogoRect() const { return logoBox_; }
    CCameraController* Controller() const { return controller_.get(); }
    CCameraSettings* Settings() const { return settings_.get(); }

    // A capture was written into the save folder as `fileName`: the gallery lists, selects,
    // focuses and shows it.
    void AddCapturedFile(const QString& fileName);

    // CPanelHost
    bool CaptureCommand() override;
    void SetFreeze(bool freeze) override;
    void SetScreenLayout(int layout) override;
    int ScreenLayout() const override { return state_.Layout(); }
    void LeaveFullScreen() override;
    void SetResolutionMode(int mode) override;
    bool ApplyCaptureId(const QString& captureId) override;
    void UpdatePanelState(bool captureLocked) override;
    void PrintCommand() override;
    std::optional<bool> RunSettingDialog() override;
    void RefreshGallery(const QString& captureId) override;
    void ReloadBackgroundSkin() override;
    void ReloadLogo() override;
    void InvalidateView() override;

    // CGalleryHost: gallery item `index` shown in the active pane (PreviewFile), and the panel's
    // save folder.
    void PreviewGalleryItem(int index) override;
    QString SaveFolder() const override;
    // Shows the picture file at `path` in the active pane as a stored image (scaled down to fit
    // 1280 x 1024, keeping its aspect ratio); "Can not preview image" and a gallery refresh when
    // it cannot be read.
    void PreviewFile(const QString& path);
    // Prints the page of the current layout on `printer` as one job; "Can not print!" when the job
    // cannot be started.
    void PrintOn(QPrinter& printer);
    // Draws the panes of the current layout onto a page: `page` is a painter on the page's
    // printable area, in the device's own units.
    void DrawPage(QPainter& page);

signals:
    // The camera is gone and the message has been shown: the frame closes.
    void cameraMissing();
    // Full screen begins (true) or ends (false): the frame removes or restores its caption.
    void fullScreenChanged(bool fullScreen);
    // The screen size changed: the frame centres itself.
    void recentreRequested();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void onFrame(const CFrameEvent& frame);
    void onPaneNotify(const CPaneNotifyEvent& notify);
    void onTick();
    void onCameraMissing();
    void onBasket();
    void createGallery();
    void applyLayoutChange(const viewer::LayoutChange& change);
    void setChromeVisible(bool visible);
    void applyStoredSettings();
    void composeBackground();
    CDispView* activePane() const { return panes_[static_cast<std::size_t>(ActivePane())]; }

    CConfig& config_;
    std::unique_ptr<CCameraController> controller_;
    std::unique_ptr<CCameraSettings> settings_;
    viewer::ViewState state_;
    CControlPanel* panel_ = nullptr;
    CGalleryList* gallery_ = nullptr;
    std::array<CDispView*, viewer::kPaneCount> panes_{};
    CSkinButton* basket_ = nullptr;
    QBasicTimer timer_;

    int backgroundColour_;
    QImage skin_;
    QImage logo_;
    QRect logoBox_;
    QPixmap background_;  // skin or colour with the logo, composed once per change
};
