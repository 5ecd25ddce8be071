// CMainFrame: the viewer's main window, fixed at a 1024 x 768 client area, with no menu, tool or
// status bar. Its client is the main view; closing it releases the camera before any window goes.
#pragma once

#include <QMainWindow>

#include <memory>

class CCameraController;
class CConfig;
class CNKestrumViewerView;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CConfig& config);
    ~CMainFrame() override;

    // The main view's initial update with the started controller (may be null), then the frame
    // is centred on the screen.
    void InitialUpdate(std::unique_ptr<CCameraController> controller);

    CNKestrumViewerView* View() const { return view_; }

    // Centres the frame on its screen.
    void CenterWindow();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setCaptionShown(bool shown);

    CNKestrumViewerView* view_;
    QPoint positionBeforeFullScreen_;
};
