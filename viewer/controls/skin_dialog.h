// CSkinDialog: a dialog painted with a bitmap resource (tiled, stretched or centred) whose labels
// and buttons are drawn straight over that picture. It serves as a top-level dialog or embedded in
// another widget; to embed it, call setWindowFlags(Qt::Widget) before showing it. GUI thread.
#pragma once

#include "capture/dib.h"

#include <QDialog>

class CSkinDialog : public QDialog {
    Q_OBJECT

public:
    // How the background picture fills the dialog. Any other value tiles.
    enum BackgroundMode { kTile = 0, kStretch = 1, kCentre = 2 };

    explicit CSkinDialog(QWidget* parent = nullptr);

    // Stores `mode`, then loads bitmap resource `bitmapResourceId` as the background (centred
    // pictures sit on the palette's window colour). Returns whether the load succeeded; after a
    // failure the dialog keeps the picture it had (at first none: it looks like a plain dialog).
    // While a picture is held, the labels, group boxes and buttons among the direct children
    // draw no background of their own, so the picture shows through them, and sliders fill
    // theirs; children added later are treated the same way.
    bool SetBackground(int bitmapResourceId, int mode);

    bool HasBackground() const;
    int BackgroundMode() const { return m_mode; }

protected:
    // What Escape does. The default rejects a top-level dialog and ignores Escape in an embedded
    // one, which must never close that way.
    virtual void OnCancel();

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ApplyChildBackground(QWidget* child) const;

    CDib m_background;
    int m_mode = kTile;
};
