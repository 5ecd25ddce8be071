#include "app/main_frame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QScreen>
#include <QShortcut>

#include "camera/camera_controller.h"
#include "controls/control_panel.h"
#include "resources/resource_ids.h"
#include "view/main_view.h"

namespace {

constexpr Qt::WindowFlags kFrameFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowCloseButtonHint;

}  // namespace

CMainFrame::CMainFrame(CConfig& config) : view_(new CNKestrumViewerView(config, this)) {
    setWindowFlags(kFrameFlags);
    setWindowTitle(QString::fromLatin1(res::kMainWindowTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icon/%1.png").arg(res::kAppIcon)));
    setCentralWidget(view_);
    setFixedSize(view_->size());

    // Ctrl+P prints what the Print button prints, and only when it could; the other keys the
    // framework's document commands used (new, open, save) do nothing here.
    auto* print = new QShortcut(QKeySequence::Print, this);
    connect(print, &QShortcut::activated, this, [this] {
        if (view_->Panel() != nullptr && view_->Panel()->PrintEnabled()) {
            view_->PrintCommand();
        }
    });

    // Posted, as a close request from the system would be.
    connect(view_, &CNKestrumViewerView::cameraMissing, this, &CMainFrame::close,
            Qt::QueuedConnection);
    connect(view_, &CNKestrumViewerView::fullScreenChanged, this,
            [this](bool fullScreen) { setCaptionShown(!fullScreen); });
    connect(view_, &CNKestrumViewerView::recentreRequested, this, &CMainFrame::CenterWindow);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::InitialUpdate(std::unique_ptr<CCameraController> controller) {
    view_->OnInitialUpdate(std::move(controller));
    CenterWindow();
}

void CMainFrame::CenterWindow() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void CMainFrame::setCaptionShown(bool shown) {
    if (!shown) {
        positionBeforeFullScreen_ = pos();
    }
    const bool visible = isVisible();
    // Qt drops the frameless hint while title-bar buttons are asked for, so full screen asks for
    // none.
    setWindowFlags(shown ? kFrameFlags : Qt::Window | Qt::FramelessWindowHint);
    if (shown) {
        move(positionBeforeFullScreen_);
    } else {
        move(0, 0);
    }
    // Changing the flags hides the window; show it again where it was.
    if (visible) {
        show();
    }
    if (!shown) {
        activateWindow();
    }
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
    if (view_->ScreenLayout() == CNKestrumViewerView::kFullScreenLayout) {
        view_->LeaveFullScreen();
    }
    QMainWindow::keyPressEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The camera goes first: its acquisition thread ends before any window is destroyed.
    view_->ReleaseCamera();
    // Dialogs open over the frame end with it; their callers see them rejected.
    for (QDialog* dialog : findChildren<QDialog*>()) {
        if (dialog->isWindow() && dialog->isVisible()) {
            dialog->reject();
        }
    }
    event->accept();
}
