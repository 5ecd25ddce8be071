// The viewer's modal message boxes, and the hook through which tests answer them.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace viewer {

// Shows a modal message box and returns the button pressed. An empty caption stands for the
// application title ("e-NodraViewer ver3.0"). GUI thread.
QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        const QString& caption = {});

struct MessageRecord {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};
using MessageAnswerer = std::function<QMessageBox::StandardButton(const MessageRecord&)>;

// While set, ShowMessage hands each message to `answerer` instead of showing it. An empty
// function restores the real boxes.
void SetMessageAnswererForTesting(MessageAnswerer answerer);

}  // namespace viewer
