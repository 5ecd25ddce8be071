#include "gallery/gallery_delegate.h"

#include <QLineEdit>
#include <QPainter>

namespace {

// The thumbnail is drawn 3 pixels in from the frame's left and 5 below its top, and the frame
// runs 6 pixels wider and 9 higher than the picture, so a 111 x 103 frame holds it at 105 x 94.
constexpr QSize kFullIconSize{111, 103};
constexpr int kIconTop = 1;
constexpr int kLabelGap = 1;

QRect labelRect(const QRect& cell, const QRect& icon, int labelHeight) {
    return QRect(cell.left() + 2, icon.bottom() + 1 + kLabelGap, cell.width() - 4, labelHeight);
}

}  // namespace

CGalleryDelegate::CGalleryDelegate(ThumbnailSource thumbnails, QObject* parent)
    : QStyledItemDelegate(parent), thumbnails_(std::move(thumbnails)) {}

QRect CGalleryDelegate::IconRect(const QRect& cell, int labelHeight) {
    // A strip too low for the whole cell squeezes the frame, never the label.
    const int height =
        std::clamp(cell.height() - labelHeight - kIconTop - kLabelGap, 20, kFullIconSize.height());
    const int left = cell.left() + (cell.width() - kFullIconSize.width()) / 2;
    return QRect(left, cell.top() + kIconTop, kFullIconSize.width(), height);
}

void CGalleryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const int labelHeight = option.fontMetrics.height();
    const QRect icon = IconRect(option.rect, labelHeight);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    if (const QImage* thumbnail = thumbnails_(index.row())) {
        const QRect picture(icon.left() + 3, icon.top() + 5, icon.width() - 6, icon.height() - 9);
        painter->setRenderHint(QPainter::SmoothPixmapTransform,
                               picture.size() != thumbnail->size());
        painter->drawImage(picture, *thumbnail);
        QPen pen(selected ? SelectedFrameColour() : FrameColour(), 2);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRect(QPoint(icon.left() + 1, icon.top() + 3), icon.bottomRight()));
    }
    // The label: in the strip's text colour, or on the selection colour when selected.
    const QRect label = labelRect(option.rect, icon, labelHeight);
    const QString text =
        option.fontMetrics.elidedText(index.data().toString(), Qt::ElideMiddle, label.width());
    const QPalette& palette = option.palette;
    if (selected) {
        const int width = option.fontMetrics.horizontalAdvance(text) + 4;
        const QRect back(label.center().x() - width / 2, label.top(), width, label.height());
        painter->fillRect(back, palette.brush(QPalette::Highlight));
        painter->setPen(palette.color(QPalette::HighlightedText));
    } else {
        painter->setPen(palette.color(QPalette::Text));
    }
    painter->setFont(option.font);
    painter->drawText(label, Qt::AlignHCenter | Qt::AlignTop, text);
    if (option.state.testFlag(QStyle::State_HasFocus) && selected) {
        painter->setPen(QPen(palette.color(QPalette::HighlightedText), 1, Qt::DotLine));
        painter->drawRect(label.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize CGalleryDelegate::sizeHint(const QStyleOptionViewItem& /*option*/,
                                 const QModelIndex& /*index*/) const {
    return cellSize_;
}

void CGalleryDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& /*index*/) const {
    const int labelHeight = option.fontMetrics.height();
    const QRect icon = IconRect(option.rect, labelHeight);
    const QRect label = labelRect(option.rect, icon, labelHeight);
    const int height = std::max(editor->sizeHint().height(), labelHeight + 2);
    editor->setGeometry(label.left(), option.rect.bottom() + 1 - height, label.width(), height);
}

void CGalleryDelegate::setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                                    const QModelIndex& index) const {
    if (const auto* edit = qobject_cast<QLineEdit*>(editor)) {
        emit labelEdited(index.row(), edit->text());
    }
}
