#include "gallery/disp_view.h"

#include "capture/frame_picture.h"
#include "capture/picture_file.h"
#include "gallery/pane_cursors.h"
#include "gallery/pane_geometry.h"
#include "gallery/pane_notify_event.h"
#include "gallery/picture_store.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

namespace {

const QColor kActiveFrame(255, 100, 100);
const QColor kInactiveFrame(160, 190, 255);
const QColor kMidGrey(128, 128, 128);
constexpr int kFrameThickness = 3;
constexpr int kHoldMs = 800;
// The two-half-screens layout gives its panes a 640-pixel-wide drawing surface.
constexpr int kHalfScreenSurfaceWidth = 640;

}  // namespace

CDispView::CDispView(QWidget* owner, int controlId) : CDispView(owner, controlId, owner) {}

CDispView::CDispView(QWidget* owner, int controlId, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_frameColor(kActiveFrame),
      m_owner(owner),
      m_controlId(controlId),
      m_cursorNotLive(viewer::paneCursor(viewer::kCursorNotLive)),
      m_cursorLive(viewer::paneCursor(viewer::kCursorLive)) {
    setProperty("controlId", controlId);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::ClickFocus);
    // Every paint covers the whole surface, so the background is never erased.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_holdTimer.setSingleShot(true);
    m_holdTimer.setInterval(kHoldMs);
    connect(&m_holdTimer, &QTimer::timeout, this, [this] { m_holding = false; });

    // A live picture must not be scrolled by hand.
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { horizontalScrollBar()->setEnabled(!m_live); });

    updateScrollRanges();
    updateCursor();
}

CDispView::~CDispView() = default;

void CDispView::InitFrame() {
    if (!m_frame) {
        m_frame = std::make_unique<std::uint8_t[]>(viewer::kFramePictureBytes);
    }
    viewer::writeHeader(frameBlock(), viewer::pictureHeader(640, 480));
    m_frameColor = kActiveFrame;
    m_hasPicture = false;
    m_live = false;
    updateCursor();
}

bool CDispView::ShowFrame(const std::uint8_t* block, std::size_t length) {
    if (m_holding || !m_frame) {
        return false;
    }
    if (block == nullptr) {
        viewer::clearPicture(frameBlock());
        m_hasPicture = false;
        m_live = false;
        updateCursor();
    } else {
        // Shorter than a header would leave a torn header; longer would overrun the block.
        if (length < viewer::kFrameHeaderBytes || length > viewer::kFramePictureBytes) {
            return false;
        }
        std::memcpy(m_frame.get(), block, length);
        m_hasPicture = true;
    }
    repaintWhole();
    return true;
}

bool CDispView::SetImage(const std::uint8_t* pixels, int width, int height) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const QImage bottomUp(pixels, width, height, 3 * static_cast<qsizetype>(width),
                          QImage::Format_BGR888);
    if (!m_frame || !viewer::storePicture(frameBlock(), bottomUp, viewer::RowOrder::BottomUp)) {
        return false;
    }
    m_hasPicture = true;
    SetLive(false);
    repaintWhole();
    return true;
}

bool CDispView::SetImage(const QImage& image) {
    if (!m_frame || !viewer::storePicture(frameBlock(), image)) {
        return false;
    }
    m_hasPicture = true;
    SetLive(false);
    repaintWhole();
    return true;
}

void CDispView::SetHighlight(bool active) {
    m_frameColor = active ? kActiveFrame : kInactiveFrame;
    repaintWhole();
}

void CDispView::UpdateScrollBars() {
    const bool usable = !m_live && m_hasPicture;
    horizontalScrollBar()->setEnabled(usable);
    verticalScrollBar()->setEnabled(usable);
    if (!usable) {
        horizontalScrollBar()->setValue(0);
    }
}

void CDispView::Hold() {
    m_holding = true;
    repaintWhole();
    m_holdTimer.start();
}

bool CDispView::MakePrintPicture() {
    QByteArray block = m_frame ? viewer::makePrintBlock(FramePicture()) : QByteArray();
    if (block.isEmpty()) {
        const QString caption = m_printPicture.Caption();
        m_printPicture.Clear();
        m_printPicture.SetCaption(caption);
        return false;
    }
    return m_printPicture.Attach(std::move(block));
}

void CDispView::SetScrollSizes(QSize total) {
    m_totalSize = total.expandedTo(QSize(0, 0));
    updateScrollRanges();
    repaintWhole();
}

int CDispView::ScrollPosition() const {
    return horizontalScrollBar()->value();
}

void CDispView::SetLive(bool live) {
    m_live = live;
    updateCursor();
}

std::span<const std::uint8_t> CDispView::FramePicture() const {
    if (!m_frame) {
        return {};
    }
    return {m_frame.get(), viewer::kFramePictureBytes};
}

std::span<std::uint8_t> CDispView::frameBlock() {
    return {m_frame.get(), viewer::kFramePictureBytes};
}

void CDispView::paintEvent(QPaintEvent*) {
    const QRect client = viewport()->rect();
    QSize surface = client.size();
    if (m_totalSize.width() == kHalfScreenSurfaceWidth) {
        surface.setWidth(kHalfScreenSurfaceWidth);
    }
    if (surface.isEmpty()) {
        return;
    }
    if (m_surface.size() != surface) {
        m_surface = QImage(surface, QImage::Format_RGB32);
    }
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    {
        QPainter painter(&m_surface);
        drawPicture(painter, surface);
        // Drawn where the visible part of the surface lies, so it stays put while scrolling.
        drawFrame(painter, client.translated(scroll));
    }
    QPainter(viewport()).drawImage(-scroll, m_surface);
}

void CDispView::drawPicture(QPainter& painter, QSize surface) const {
    const QImage upsideDown = m_frame ? viewer::frameImage(FramePicture()) : QImage();
    if (upsideDown.isNull()) {
        painter.fillRect(QRect(QPoint(), surface), kMidGrey);
        return;
    }
    const viewer::RowBand band = viewer::paneRows(upsideDown.height());
    // The rows are stored bottom-up: flip the painter instead of copying the picture.
    painter.translate(0, surface.height());
    painter.scale(1, -1);
    const QRect source(0, upsideDown.height() - band.first - band.count, upsideDown.width(),
                       band.count);
    painter.drawImage(QRect(QPoint(), surface), upsideDown, source);
    painter.resetTransform();
}

void CDispView::drawFrame(QPainter& painter, const QRect& visible) const {
    const int t = std::min({kFrameThickness, visible.width(), visible.height()});
    painter.fillRect(QRect(visible.left(), visible.top(), visible.width(), t), m_frameColor);
    painter.fillRect(QRect(visible.left(), visible.bottom() - t + 1, visible.width(), t),
                     m_frameColor);
    painter.fillRect(QRect(visible.left(), visible.top(), t, visible.height()), m_frameColor);
    painter.fillRect(QRect(visible.right() - t + 1, visible.top(), t, visible.height()),
                     m_frameColor);
}

void CDispView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void CDispView::scrollContentsBy(int, int) {
    // The frame must follow the visible area, so shifting the old pixels is not enough.
    repaintWhole();
}

void CDispView::wheelEvent(QWheelEvent* event) {
    repaintWhole();
    // The pane never scrolls vertically; a plain wheel moves it sideways when it can.
    if (verticalScrollBar()->maximum() == 0 && horizontalScrollBar()->maximum() > 0) {
        QCoreApplication::sendEvent(horizontalScrollBar(), event);
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void CDispView::mousePressEvent(QMouseEvent* event) {
    // The pane takes its clicks; they do not travel on to the parent.
    event->accept();
    const QPointer<CDispView> self(this);
    if (event->button() == Qt::LeftButton) {
        SetLive(!m_live);
        notifyOwner(CPaneNotifyEvent::kCodeLeftClick);
        if (self) {
            UpdateScrollBars();
            repaintWhole();
        }
    } else if (event->button() == Qt::RightButton) {
        notifyOwner(CPaneNotifyEvent::kCodeRightClickOrEscape);
    }
}

void CDispView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

// A double click toggles once: its first press already did.
void CDispView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void CDispView::keyPressEvent(QKeyEvent* event) {
    // Keys never scroll the pane (a live picture must stay put); all but Escape go on to the
    // parent.
    if (event->key() != Qt::Key_Escape) {
        event->ignore();
        return;
    }
    event->accept();
    notifyOwner(CPaneNotifyEvent::kCodeRightClickOrEscape);
}

void CDispView::repaintWhole() {
    viewport()->update();
}

void CDispView::updateCursor() {
    viewport()->setCursor(m_live ? m_cursorLive : m_cursorNotLive);
}

void CDispView::updateScrollRanges() {
    // Page and line steps as a scroll view gives them by default: a tenth of the total, a tenth
    // of a page.
    const QSize view = viewport()->size();
    const auto setUp = [](QScrollBar* bar, int total, int visible) {
        bar->setRange(0, std::max(0, total - visible));
        bar->setPageStep(std::max(1, total / 10));
        bar->setSingleStep(std::max(1, total / 100));
    };
    setUp(horizontalScrollBar(), m_totalSize.width(), view.width());
    setUp(verticalScrollBar(), m_totalSize.height(), view.height());
}

void CDispView::notifyOwner(int code) {
    if (!m_owner) {
        return;
    }
    CPaneNotifyEvent event(this, m_controlId, code);
    QCoreApplication::sendEvent(m_owner, &event);
}

int CDispView::SavePicture(const QString& pathWithoutExtension, int format) const {
    return viewer::SaveFramePicture(FramePicture(), pathWithoutExtension, format);
}
