// The program's window for now: one picture pane showing the camera live. A click on the picture
// freezes it and a second one resumes.
#pragma once

#include <QMainWindow>

class CCameraController;
class CDispView;

class LiveWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit LiveWindow(CCameraController& controller);

protected:
    bool event(QEvent* event) override;

private:
    CCameraController& controller_;
    CDispView* pane_;
};
