#include "app/live_window.h"

#include "camera/camera_controller.h"
#include "camera/frame_event.h"
#include "gallery/disp_view.h"
#include "gallery/pane_notify_event.h"

namespace {
constexpr int kPaneControlId = 120;
}

LiveWindow::LiveWindow(CCameraController& controller)
    : controller_(controller), pane_(new CDispView(this, kPaneControlId)) {
    setWindowTitle("e-Nodra Viewer Ver3.0");
    pane_->InitFrame();
    pane_->SetLive(true);
    setCentralWidget(pane_);
    setFixedSize(640, 480);
    controller_.SetReceiverView(this);
}

bool LiveWindow::event(QEvent* event) {
    if (event->type() == CFrameEvent::kType) {
        const auto* frame = static_cast<CFrameEvent*>(event);
        if (pane_->IsLive()) {
            pane_->ShowFrame(frame->picture(), frame->size());
        }
        return true;
    }
    if (event->type() == CPaneNotifyEvent::kType) {
        return true;
    }
    return QMainWindow::event(event);
}
