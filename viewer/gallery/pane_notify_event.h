// CPaneNotifyEvent: what a picture pane tells its owner about clicks and the Escape key.
#pragma once

#include <QEvent>

class CDispView;

// Sent synchronously (QCoreApplication::sendEvent) to the pane's owner. The owner handles it in
// its event() override: `static_cast<CPaneNotifyEvent*>(e)` when e->type() ==
// CPaneNotifyEvent::kType.
class CPaneNotifyEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 78);

    // Left click; sent after the pane's live flag was toggled.
    static constexpr int kCodeLeftClick = 0;
    // Right click or the Escape key.
    static constexpr int kCodeRightClickOrEscape = 1;

    CPaneNotifyEvent(CDispView* pane, int controlId, int code)
        : QEvent(kType), m_pane(pane), m_controlId(controlId), m_code(code) {}

    CDispView* Pane() const { return m_pane; }
    int ControlId() const { return m_controlId; }
    int Code() const { return m_code; }

private:
    CDispView* m_pane;
    int m_controlId;
    int m_code;
};
