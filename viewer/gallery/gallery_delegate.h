// Draws one gallery item: its thumbnail inside a 2-pixel frame (blue when selected, white
// otherwise) and its label below; edits the label in place. GUI thread only.
#pragma once

#include <QStyledItemDelegate>

#include <functional>

class CGalleryDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The thumbnail of a row, or null while it has none (the label is drawn alone).
    using ThumbnailSource = std::function<const QImage*(int row)>;

    CGalleryDelegate(ThumbnailSource thumbnails, QObject* parent);

    // Where an item's thumbnail frame stands inside its cell.
    static QRect IconRect(const QRect& cell, int labelHeight);
    // The frame colours.
    static QColor SelectedFrameColour() { return QColor(49, 106, 197); }
    static QColor FrameColour() { return Qt::white; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    // The edited text goes to labelEdited, never into the model: the list decides on the rename.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    void SetCellSize(QSize size) { cellSize_ = size; }

signals:
    // A label edit ended with Enter or by leaving the edit (not with Escape).
    void labelEdited(int row, const QString& text) const;

private:
    ThumbnailSource thumbnails_;
    QSize cellSize_{121, 116};
};
