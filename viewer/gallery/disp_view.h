// CDispView: the picture pane. Holds one frame picture (a live frame, a frozen one or a gallery
// preview), paints it stretched over the pane inside a coloured frame, shows the live state with
// its cursor and reports clicks and Escape to its owner.
#pragma once

#include "gallery/packed_dib.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Notifications reach the owner as a CPaneNotifyEvent (gallery/pane_notify_event.h), sent
// synchronously and only while the owner exists: code 0 after a left click has toggled the live
// flag, code 1 for a right click or the Escape key. Everything runs on the GUI thread.
class CDispView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // A child of `owner` carrying control ID `controlId` (also its "controlId" property).
    CDispView(QWidget* owner, int controlId);
    // The same with a parent other than the owner.
    CDispView(QWidget* owner, int controlId, QWidget* parent);
    ~CDispView() override;

    int ControlId() const { return m_controlId; }

    // Allocates the frame picture once (later calls reuse it) and writes a 640 x 480 header; the
    // pane becomes active-coloured, empty and not live.
    void InitFrame();

    // Copies a whole frame picture (header then pixels, as the camera controller posts it) of
    // `length` bytes; the live flag is left alone. A null block clears the picture to mid grey and
    // makes the pane empty and not live. Returns false, changing nothing, while holding, before
    // InitFrame, or for a length shorter than the header or longer than the frame picture.
    bool ShowFrame(const std::uint8_t* block, std::size_t length);

    // Stores a gallery preview and makes the pane not live. `pixels` are tightly packed bottom-up
    // rows of blue, green, red bytes (width x 3 bytes each, no padding). Pictures larger than
    // 1280 x 1024 are scaled down to fit, keeping their aspect ratio. Returns false, changing
    // nothing, before InitFrame or for a null or empty picture.
    bool SetImage(const std::uint8_t* pixels, int width, int height);
    // The same for a picture as QImageReader delivers it (any format, top row first).
    bool SetImage(const QImage& image);

    // Active panes get the red frame, the others the blue one.
    void SetHighlight(bool active);

    // The scroll bars are usable only for a picture that is stored and not live; otherwise they
    // are disabled and the picture is scrolled back to its left edge.
    void UpdateScrollBars();

    // Ignores frames for the next 800 ms (after a resolution change); no repaint when it ends.
    void Hold();
    bool IsHolding() const { return m_holding; }

    // Makes PrintPicture() from the frame picture: 640-wide pictures as they are, others 960 rows
    // high from the picture without its first and last 32 rows. The caption is kept. Returns
    // false, leaving the print picture empty, when there is no valid picture.
    bool MakePrintPicture();
    CPackedDib& PrintPicture() { return m_printPicture; }
    const CPackedDib& PrintPicture() const { return m_printPicture; }

    // Size of the scrolled content in pixels; 10 x 10 at first so no scroll bar shows. With a
    // total width of exactly 640 the picture is drawn 640 pixels wide whatever the pane's width.
    void SetScrollSizes(QSize total);
    QSize TotalScrollSize() const { return m_totalSize; }
    int ScrollPosition() const;

    bool IsLive() const { return m_live; }
    // The cursor follows the flag; the scroll bars follow at the next UpdateScrollBars.
    void SetLive(bool live);
    bool HasPicture() const { return m_hasPicture; }
    QColor FrameColor() const { return m_frameColor; }

    // The frame picture block (header then bottom-up rows), for saving and printing; empty before
    // InitFrame.
    std::span<const std::uint8_t> FramePicture() const;

    // Saves the picture at capture size as pathWithoutExtension + ".jpg" (format 1) or ".bmp"
    // (any other format). Always returns 1: a failed save writes nothing and says nothing.
    int SavePicture(const QString& pathWithoutExtension, int format) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void repaintWhole();
    void updateCursor();
    void updateScrollRanges();
    void notifyOwner(int code);
    void drawPicture(QPainter& painter, QSize surface) const;
    void drawFrame(QPainter& painter, const QRect& visible) const;
    std::span<std::uint8_t> frameBlock();

    CPackedDib m_printPicture;
    bool m_holding = false;
    std::unique_ptr<std::uint8_t[]> m_frame;
    QColor m_frameColor;
    QPointer<QWidget> m_owner;
    int m_controlId;
    QCursor m_cursorNotLive;
    QCursor m_cursorLive;
    bool m_hasPicture = false;
    bool m_live = false;
    QSize m_totalSize{10, 10};
    QTimer m_holdTimer;
    QImage m_surface;  // off-screen drawing surface, kept between paints
};
