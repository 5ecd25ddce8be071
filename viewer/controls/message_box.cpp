#include "controls/message_box.h"

#include "resources/resource_ids.h"

namespace viewer {

namespace {

MessageAnswerer& answerer() {
    static MessageAnswerer instance;
    return instance;
}

}  // namespace

QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        const QString& caption) {
    const MessageRecord record{caption.isEmpty() ? QString(res::kAppTitle) : caption, text, icon,
                               buttons};
    if (answerer()) {
        return answerer()(record);
    }
    QMessageBox box(record.icon, record.caption, record.text, record.buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void SetMessageAnswererForTesting(MessageAnswerer answerer_) {
    answerer() = std::move(answerer_);
}

}  // namespace viewer
