#include "controls/skin_dialog.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QSlider>

CSkinDialog::CSkinDialog(QWidget* parent) : QDialog(parent) {}

bool CSkinDialog::SetBackground(int bitmapResourceId, int mode) {
    m_mode = mode;
    const bool loaded = m_background.LoadBitmapResource(bitmapResourceId);
    if (HasBackground()) {
        const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* child : children) {
            ApplyChildBackground(child);
        }
    }
    update();
    return loaded;
}

bool CSkinDialog::HasBackground() const {
    return m_background.Width() > 0 && m_background.Height() > 0;
}

void CSkinDialog::OnCancel() {
    if (isWindow()) {
        reject();
    }
}

void CSkinDialog::paintEvent(QPaintEvent* event) {
    if (!HasBackground()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const int pictureWidth = m_background.Width();
    const int pictureHeight = m_background.Height();
    switch (m_mode) {
        case kStretch:
            m_background.DrawStretched(painter, 0, 0, width(), height());
            break;
        case kCentre:
            painter.fillRect(rect(), palette().brush(backgroundRole()));
            m_background.Draw(painter, (width() - pictureWidth) / 2,
                              (height() - pictureHeight) / 2);
            break;
        default:
            for (int y = 0; y < height(); y += pictureHeight) {
                for (int x = 0; x < width(); x += pictureWidth) {
                    // Only the tiles the exposed area touches need drawing.
                    if (event->rect().intersects(QRect(x, y, pictureWidth, pictureHeight))) {
                        m_background.Draw(painter, x, y);
                    }
                }
            }
            break;
    }
}

void CSkinDialog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        OnCancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CSkinDialog::event(QEvent* event) {
    // A child is polished once fully constructed and styled, just before it is first shown: the
    // earliest point at which its kind is known and the style has set its background.
    if (event->type() == QEvent::ChildPolished && HasBackground()) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
            ApplyChildBackground(child);
        }
    }
    return QDialog::event(event);
}

void CSkinDialog::ApplyChildBackground(QWidget* child) const {
    if (qobject_cast<QSlider*>(child)) {
        child->setAutoFillBackground(true);
    } else if (qobject_cast<QLabel*>(child) || qobject_cast<QAbstractButton*>(child) ||
               qobject_cast<QGroupBox*>(child)) {
        child->setAutoFillBackground(false);
    }
}
