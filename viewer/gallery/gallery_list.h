// CGalleryList: the strip of thumbnails along the bottom of the main view. It lists the BMP and
// JPG files of one folder, oldest first, over a model that owns the record table, and carries the
// file commands of its context menu (gallery_commands.cpp). While a folder is listed its config.ini
// marker is held open. GUI thread only.
#pragma once

#include <QBasicTimer>
#include <QFile>
#include <QListView>
#include <QSet>

#include <memory>

#include "gallery/thumbnail_cache.h"

class CConfig;
class CGalleryDelegate;
class CGalleryHost;
class CGalleryModel;
class QMenu;

class CGalleryList : public QListView {
    Q_OBJECT

public:
    CGalleryList(CConfig& config, QWidget* parent);
    ~CGalleryList() override;

    // The window asked to preview items and for the save folder; may stay unset in tests.
    void SetHost(CGalleryHost* host) { host_ = host; }

    // Lists the gallery folder, or its sub-folder `subfolder` when that is not empty, and writes
    // and holds that folder's config.ini marker.
    void ScanFolder(const QString& subfolder = {});
    // Empties the table and releases the marker.
    void ClearRecords();
    // Lists the folder of the last scan (or of SetFolderArgument) again, with a wait cursor.
    void Refresh();
    // The sub-folder the next Refresh lists.
    void SetFolderArgument(const QString& subfolder) { folderArgument_ = subfolder; }
    // Appends `name`, a file in the listed folder, at the end of the strip unsorted; returns its
    // row. The caller selects, focuses and scrolls to it.
    int AddFile(const QString& name);
    void SelectAll();
    // Scrolls the strip so that item `row` shows, laying out items added just before.
    void EnsureVisible(int row);

    // The file commands of the context menu.
    void PreviewCommand();
    void AddImageCommand();
    void RenameCommand();
    void SaveAsCommand();
    void DeleteSelected();
    void PropertiesCommand();

    // The context menu for the present selection (what a right click inside the strip opens).
    std::unique_ptr<QMenu> CreateContextMenu();

    int Count() const;
    int SelectedCount() const;
    // The item the single-item commands act on: the one selected item, else the current one; -1
    // when there is none in the table.
    int CurrentItem() const;
    QString ItemName(int row) const;
    // The folder listed now: the gallery folder, plus "/" and the sub-folder when there is one.
    QString ListedFolder() const;
    // The file of item `row`, built from the gallery folder as it is configured now.
    QString RecordPath(int row) const;
    QString SubfolderName() const { return subfolder_; }
    bool IsEditingLabel() const { return state() == EditingState; }

    // Thumbnails wanted by the last paint and not yet decoded.
    int PendingThumbnails() const { return static_cast<int>(pending_.size()); }
    bool HasThumbnail(int row) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    const QImage* thumbnailFor(int row);
    bool decodeOneThumbnail();
    void runCommand(int id);
    void onLabelEdited(int row, const QString& text);
    void reopenLabelEdit(int row);
    void updateCellSize();

    CConfig& config_;
    CGalleryHost* host_ = nullptr;
    CGalleryModel* model_;
    CGalleryDelegate* delegate_;
    QString folderArgument_;
    QString subfolder_;
    QFile marker_;
    viewer::ThumbnailCache thumbnails_;
    // Rows whose thumbnails a paint asked for, decoded one per turn of the event loop so that the
    // GUI thread never waits for more than one picture.
    QList<int> pending_;
    QSet<int> pendingSet_;
    QBasicTimer decodeTimer_;
    // Ctrl+A selects all whichever of the two keys comes last, so a held A is remembered.
    bool aKeyDown_ = false;
};
