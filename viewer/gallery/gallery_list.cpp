#include "gallery/gallery_list.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QTimerEvent>

#include "config/config.h"
#include "controls/resource_access.h"
#include "controls/wait_cursor.h"
#include "gallery/gallery_delegate.h"
#include "gallery/gallery_model.h"
#include "resources/resource_ids.h"

namespace {

// About 800 thumbnails: several strips' worth, a small fraction of what the pictures would take.
constexpr qint64 kThumbnailCacheBytes = 32LL << 20;

// Labels in white on a dark grey strip; a selected label on the selection blue, in white.
const QColor kStripBackground(64, 64, 64);
const QColor kLabelText(255, 255, 255);

struct MenuEntry {
    int id;
    const char* caption;
    bool needsOne;  // only with exactly one item selected
    bool needsAny;  // only with one item or more selected
};

constexpr MenuEntry kMenu[] = {
    {res::kGalleryPreviewCommand, "Image &Preview", true, true},
    {0, nullptr, false, false},
    {res::kGalleryAddImageCommand, "&Add Image...", false, false},
    {res::kGallerySelectAllCommand, "S&elect All", false, false},
    {res::kGalleryRenameCommand, "&Rename", true, true},
    {res::kGallerySaveAsCommand, "&Save As...", true, true},
    {res::kGalleryDeleteCommand, "&Delete", false, true},
    {0, nullptr, false, false},
    {res::kGalleryRefreshCommand, "Refresh", false, false},
    {res::kGalleryPropertiesCommand, "Pr&operties", true, true},
};

}  // namespace

CGalleryList::CGalleryList(CConfig& config, QWidget* parent)
    : QListView(parent),
      config_(config),
      model_(new CGalleryModel(this)),
      delegate_(new CGalleryDelegate([this](int row) { return thumbnailFor(row); }, this)),
      thumbnails_(kThumbnailCacheBytes) {
    viewer::SetControlId(this, res::kGalleryList);
    setModel(model_);
    setItemDelegate(delegate_);
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSpacing(0);
    setFocusPolicy(Qt::StrongFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, kStripBackground);
    colours.setColor(QPalette::Text, kLabelText);
    colours.setColor(QPalette::Highlight, CGalleryDelegate::SelectedFrameColour());
    colours.setColor(QPalette::HighlightedText, kLabelText);
    setPalette(colours);
    connect(delegate_, &CGalleryDelegate::labelEdited, this, &CGalleryList::onLabelEdited,
            Qt::QueuedConnection);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        pending_.clear();
        pendingSet_.clear();
    });
    updateCellSize();
}

CGalleryList::~CGalleryList() {
    ClearRecords();
}

QString CGalleryList::ListedFolder() const {
    const QString gallery = config_.GetGalleryFolder();
    if (subfolder_.isEmpty()) {
        // An empty gallery folder is the root.
        return gallery.isEmpty() ? QStringLiteral("/") : gallery;
    }
    return gallery + u'/' + subfolder_;
}

void CGalleryList::ScanFolder(const QString& subfolder) {
    folderArgument_ = subfolder;
    subfolder_ = subfolder;
    const QString folder = ListedFolder();
    // The marker is written afresh and held open while the folder is listed.
    marker_.close();
    config_.WriteFolderMarker(folder);
    marker_.setFileName(QDir(folder).filePath(QStringLiteral("config.ini")));
    if (!marker_.open(QIODevice::ReadOnly)) {
        marker_.setFileName({});
    }
    model_->SetRecords(viewer::ScanGalleryFolder(folder));
}

void CGalleryList::ClearRecords() {
    model_->Clear();
    marker_.close();
}

void CGalleryList::Refresh() {
    const viewer::WaitCursor wait;
    ClearRecords();
    ScanFolder(folderArgument_);
}

int CGalleryList::AddFile(const QString& name) {
    return model_->Append(viewer::MakeGalleryRecord(name, QDir(ListedFolder()).filePath(name)));
}

void CGalleryList::SelectAll() {
    selectAll();
}

void CGalleryList::EnsureVisible(int row) {
    executeDelayedItemsLayout();
    // Centred: the plain "ensure visible" of an icon view leaves the last item a pixel short.
    scrollTo(model_->index(row), PositionAtCenter);
}

int CGalleryList::Count() const {
    return model_->Count();
}

int CGalleryList::SelectedCount() const {
    return selectionModel() != nullptr
               ? static_cast<int>(selectionModel()->selectedIndexes().size())
               : 0;
}

int CGalleryList::CurrentItem() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    const int row = selected.size() == 1 ? selected.first().row() : currentIndex().row();
    return model_->Record(row) != nullptr ? row : -1;
}

QString CGalleryList::ItemName(int row) const {
    const viewer::GalleryRecord* record = model_->Record(row);
    return record != nullptr ? record->name : QString();
}

QString CGalleryList::RecordPath(int row) const {
    const viewer::GalleryRecord* record = model_->Record(row);
    return record != nullptr ? QDir(ListedFolder()).filePath(record->name) : QString();
}

bool CGalleryList::HasThumbnail(int row) const {
    const viewer::GalleryRecord* record = model_->Record(row);
    return record != nullptr && thumbnails_.Find(record->fullPath, record->modificationTime);
}

const QImage* CGalleryList::thumbnailFor(int row) {
    const viewer::GalleryRecord* record = model_->Record(row);
    if (record == nullptr) {
        return nullptr;
    }
    if (const QImage* thumbnail = thumbnails_.Find(record->fullPath, record->modificationTime)) {
        return thumbnail;
    }
    if (!pendingSet_.contains(row)) {
        pending_.append(row);
        pendingSet_.insert(row);
    }
    if (!decodeTimer_.isActive()) {
        decodeTimer_.start(0, this);
    }
    return nullptr;
}

bool CGalleryList::decodeOneThumbnail() {
    while (!pending_.isEmpty()) {
        const int row = pending_.takeFirst();
        pendingSet_.remove(row);
        const viewer::GalleryRecord* record = model_->Record(row);
        const QModelIndex index = model_->index(row);
        // Scrolled away since it was asked for: its next paint asks again.
        if (record == nullptr || !visualRect(index).intersects(viewport()->rect())) {
            continue;
        }
        if (thumbnails_.Find(record->fullPath, record->modificationTime) != nullptr) {
            continue;
        }
        const QImage thumbnail = viewer::MakeThumbnail(record->fullPath);
        // A picture that cannot be decoded shows its label alone and is tried again at its next
        // paint; nothing repaints it now, so a broken file costs no more than that.
        if (!thumbnail.isNull()) {
            thumbnails_.Insert(record->fullPath, record->modificationTime, thumbnail);
            viewport()->update(visualRect(index));
        }
        return true;
    }
    return false;
}

void CGalleryList::timerEvent(QTimerEvent* event) {
    if (event->timerId() != decodeTimer_.timerId()) {
        QListView::timerEvent(event);
        return;
    }
    decodeOneThumbnail();
    if (pending_.isEmpty()) {
        decodeTimer_.stop();
    }
}

void CGalleryList::keyPressEvent(QKeyEvent* event) {
    if (IsEditingLabel()) {
        QListView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            event->accept();
            return;
        case Qt::Key_Delete:
            DeleteSelected();
            event->accept();
            return;
        case Qt::Key_F5:
            Refresh();
            event->accept();
            return;
        default:
            break;
    }
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    if ((event->key() == Qt::Key_A && ctrl) || (event->key() == Qt::Key_Control && aKeyDown_)) {
        setFocus();
        SelectAll();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_A && !event->isAutoRepeat()) {
        aKeyDown_ = true;
    }
    QListView::keyPressEvent(event);
}

void CGalleryList::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_A && !event->isAutoRepeat()) {
        aKeyDown_ = false;
    }
    QListView::keyReleaseEvent(event);
}

void CGalleryList::focusOutEvent(QFocusEvent* event) {
    aKeyDown_ = false;
    QListView::focusOutEvent(event);
}

QModelIndex CGalleryList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // One row of items: Left is the previous item and Right the next, whatever the geometry.
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    switch (action) {
        case MoveLeft:
        case MovePrevious:
            return model_->index(std::max(row - 1, 0));
        case MoveRight:
        case MoveNext:
            return model_->index(std::min(row + 1, Count() - 1));
        case MoveUp:
        case MoveDown:
            return current;
        default:
            return QListView::moveCursor(action, modifiers);
    }
}

void CGalleryList::contextMenuEvent(QContextMenuEvent* event) {
    // The menu key and other keyboard requests open nothing, nor does a click outside the items'
    // area (the scroll bar has its own menu).
    if (event->reason() != QContextMenuEvent::Mouse || !viewport()->rect().contains(event->pos())) {
        return;
    }
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(event->globalPos());
}

std::unique_ptr<QMenu> CGalleryList::CreateContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    viewer::SetControlId(menu.get(), res::kGalleryMenu);
    const int selected = SelectedCount();
    for (const MenuEntry& entry : kMenu) {
        if (entry.caption == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(entry.caption));
        action->setObjectName(QStringLiteral("ID_%1").arg(entry.id));
        action->setData(entry.id);
        action->setEnabled(entry.needsOne ? selected == 1 : (!entry.needsAny || selected > 0));
        connect(action, &QAction::triggered, this, [this, id = entry.id] { runCommand(id); });
    }
    return menu;
}

void CGalleryList::runCommand(int id) {
    switch (id) {
        case res::kGalleryPreviewCommand:
            PreviewCommand();
            break;
        case res::kGalleryAddImageCommand:
            AddImageCommand();
            break;
        case res::kGallerySelectAllCommand:
            SelectAll();
            break;
        case res::kGalleryRenameCommand:
            RenameCommand();
            break;
        case res::kGallerySaveAsCommand:
            SaveAsCommand();
            break;
        case res::kGalleryDeleteCommand:
            DeleteSelected();
            break;
        case res::kGalleryRefreshCommand:
            Refresh();
            break;
        case res::kGalleryPropertiesCommand:
            PropertiesCommand();
            break;
        default:
            break;
    }
}

void CGalleryList::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    updateCellSize();
}

void CGalleryList::updateCellSize() {
    // One row of cells as high as the strip's item area, each wide enough for a frame and a
    // little room on either side.
    const QSize cell(121, std::max(viewport()->height(), 60));
    delegate_->SetCellSize(cell);
    setGridSize(cell);
}
