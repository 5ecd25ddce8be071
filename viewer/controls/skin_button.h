// CSkinButton: a push button drawn as one of three pictures and nothing else (no frame, focus or
// pressed look). Its command is clicked(): sent when the left button, pressed on the button, is
// released over it; a double click sends two. It takes the focus when pressed and shows the
// picture-button cursor. GUI thread.
#pragma once

#include <QImage>
#include <QPushButton>
#include <QString>

class CSkinButton : public QPushButton {
    Q_OBJECT

public:
    // A button carrying control ID `controlId` as objectName "ID_<n>" and property "controlId",
    // with `caption` as its text, accessible name and tooltip (SetCaption).
    CSkinButton(int controlId, const QString& caption, QWidget* parent = nullptr);

    int ControlId() const { return m_controlId; }
    // The caption is never drawn: it names the button for tooltips and assistive tools.
    void SetCaption(const QString& caption);

    // `disabled` is shown while the button is disabled, else `hover` while the pointer is over
    // it, else `normal`; each from its top-left corner, clipped to the button. A null picture
    // draws nothing, so the parent shows through. The button takes the normal picture's size and
    // keeps its position (a null normal picture leaves the size alone). The button keeps
    // implicitly shared copies, so the caller may keep or drop its own.
    void SetBitmaps(const QImage& normal, const QImage& hover, const QImage& disabled);

    // Sets the hover state from where the pointer is now and repaints at once; nothing while
    // hidden. For a button just shown, or one whose hover state went with the focus while the
    // pointer stayed: no enter or leave tells it then.
    void ReevaluateHover();

    bool IsHovered() const { return m_hovered; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void SetHovered(bool hovered);

    int m_controlId;
    QImage m_normalPicture;
    QImage m_hoverPicture;
    QImage m_disabledPicture;
    bool m_hovered = false;
};
