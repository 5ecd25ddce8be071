// Acting on a modal dialog from a test: the call that opens it blocks in the dialog's own event
// loop, so the action is armed first and runs once the dialog is the active modal widget. A
// dialog still open after the wait is rejected, so a broken path fails instead of hanging.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTimer>

#include <functional>

namespace viewer::test {

template <typename Dialog>
class WhenModal {
public:
    explicit WhenModal(std::function<void(Dialog*)> act, int waitMs = 15000)
        : act_(std::move(act)), deadline_(waitMs) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    // The action ran.
    bool acted() const { return acted_; }

private:
    void poll() {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && !acted_) {
            acted_ = true;
            act_(dialog);  // may open and drive a nested dialog
        } else if (deadline_.hasExpired()) {
            timer_.stop();
            if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                open->reject();
            }
        }
    }

    std::function<void(Dialog*)> act_;
    QDeadlineTimer deadline_;
    QTimer timer_;
    bool acted_ = false;
};

}  // namespace viewer::test
