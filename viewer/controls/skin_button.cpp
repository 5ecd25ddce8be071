#include "controls/skin_button.h"

#include "resources/cursor_hot_spots.h"
#include "resources/resource_ids.h"

#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

// The program's pointing hand; Qt's own should the artwork be missing.
QCursor skinButtonCursor() {
    const QPixmap picture(QStringLiteral(":/cursor/%1.png").arg(res::kSkinButtonCursor));
    if (picture.isNull()) {
        return QCursor(Qt::PointingHandCursor);
    }
    // Without its hot spot Qt would click at the picture's centre, not at the fingertip.
    return QCursor(picture, res::kSkinButtonCursorHotSpot.x(), res::kSkinButtonCursorHotSpot.y());
}

}  // namespace

CSkinButton::CSkinButton(int controlId, const QString& caption, QWidget* parent)
    : QPushButton(parent), m_controlId(controlId) {
    setObjectName(QStringLiteral("ID_%1").arg(controlId));
    setProperty("controlId", controlId);
    SetCaption(caption);
    // Enter belongs to the dialog, not to whichever picture button has the focus.
    setAutoDefault(false);
    setCursor(skinButtonCursor());
}

void CSkinButton::SetCaption(const QString& caption) {
    setText(caption);
    setAccessibleName(caption);
    setToolTip(caption);
}

void CSkinButton::SetBitmaps(const QImage& normal, const QImage& hover, const QImage& disabled) {
    m_normalPicture = normal;
    m_hoverPicture = hover;
    m_disabledPicture = disabled;
    if (!normal.isNull()) {
        resize(normal.size());
    }
    updateGeometry();
    update();
}

void CSkinButton::ReevaluateHover() {
    if (!isVisible()) {
        return;
    }
    m_hovered = rect().contains(mapFromGlobal(QCursor::pos()));
    repaint();
}

QSize CSkinButton::sizeHint() const {
    return m_normalPicture.isNull() ? QPushButton::sizeHint() : m_normalPicture.size();
}

void CSkinButton::paintEvent(QPaintEvent*) {
    const QImage& picture = !isEnabled() ? m_disabledPicture
                            : m_hovered  ? m_hoverPicture
                                         : m_normalPicture;
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    SetHovered(true);
    QPushButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    SetHovered(false);
    QPushButton::leaveEvent(event);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    // While a press is held the button keeps the pointer and Qt holds back the leave until the
    // release: follow the pointer here so the picture tells whether releasing would click.
    SetHovered(rect().contains(event->position().toPoint()));
    QPushButton::mouseMoveEvent(event);
}

void CSkinButton::focusOutEvent(QFocusEvent* event) {
    SetHovered(false);
    QPushButton::focusOutEvent(event);
}

bool CSkinButton::hitButton(const QPoint& pos) const {
    // The whole picture is the button, not only the style's bevel inside it.
    return rect().contains(pos);
}

void CSkinButton::SetHovered(bool hovered) {
    if (hovered != m_hovered) {
        m_hovered = hovered;
        repaint();
    }
}
