// The gallery strip on its own, over a temporary gallery folder: what it lists and in which
// order, its keys and menu, and its file commands driven through their dialogs and questions.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

#include "config/config.h"
#include "controls/message_box.h"
#include "gallery/gallery_host.h"
#include "gallery/gallery_list.h"
#include "gallery/gallery_record.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kWait = 10000;

// Writes a small picture (or any bytes) with a given modification time in seconds.
void makeFile(const QString& path, qint64 seconds, const QByteArray& bytes = {}) {
    if (bytes.isEmpty()) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(path, path.endsWith("bmp", Qt::CaseInsensitive) ? "BMP" : "JPG"));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(1'600'000'000 + seconds),
                             QFileDevice::FileModificationTime));
}

QStringList names(const CGalleryList& list) {
    QStringList all;
    for (int row = 0; row < list.Count(); ++row) {
        all << list.ItemName(row);
    }
    return all;
}

// Runs `act` on the next modal dialog of type T once it is up, then `trigger`; fails the test
// rather than hanging when none comes.
template <typename T>
void withDialog(std::function<void(T*)> act, std::function<void()> trigger) {
    bool seen = false;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll.stop();
            seen = true;
            act(dialog);
        } else if (clock.elapsed() > kWait && QApplication::activeModalWidget() != nullptr) {
            QApplication::activeModalWidget()->close();
        }
    });
    poll.start(10);
    trigger();
    QVERIFY2(seen, "the dialog did not open");
}

// Types `name` into a file dialog's name field and presses Return there.
void chooseFile(QFileDialog* dialog, const QString& folder, const QString& name) {
    dialog->setDirectory(folder);
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
}

struct FakeHost : CGalleryHost {
    QString saveFolder;
    std::vector<int> previews;
    void PreviewGalleryItem(int index) override { previews.push_back(index); }
    QString SaveFolder() const override { return saveFolder; }
};

// A gallery folder of its own, the strip over it, and message boxes answered and recorded.
struct Strip {
    QTemporaryDir dir;
    QString gallery = dir.path() + "/gallery";
    CConfig config{dir.path(), dir.path() + "/documents"};
    FakeHost host;
    std::vector<viewer::MessageRecord> messages;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::unique_ptr<CGalleryList> list;

    explicit Strip(const std::vector<std::pair<QString, qint64>>& files) {
        QDir().mkpath(gallery);
        config.WriteSettingDialogValues({}, gallery, {});
        for (const auto& [name, seconds] : files) {
            makeFile(gallery + '/' + name, seconds);
        }
        viewer::SetMessageAnswererForTesting([this](const viewer::MessageRecord& message) {
            messages.push_back(message);
            return answer;
        });
        host.saveFolder = gallery + '/';
        list = std::make_unique<CGalleryList>(config, nullptr);
        list->SetHost(&host);
        list->resize(860, 135);
        list->show();
        list->ScanFolder();
    }
    ~Strip() { viewer::SetMessageAnswererForTesting({}); }

    QString path(const QString& name) const { return gallery + '/' + name; }
    void select(std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select);
        }
        if (rows.size() > 0) {
            list->selectionModel()->setCurrentIndex(list->model()->index(*rows.begin(), 0),
                                                    QItemSelectionModel::NoUpdate);
        }
    }
    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }
};

}  // namespace

class GalleryListTest : public QObject {
    Q_OBJECT

private slots:
    // Only names ending in BMP or JPG (any case) are listed, sub-folders never, oldest first; a
    // long name stays whole; the folder gets its marker.
    void listsPictureFilesOldestFirst() {
        const QString longName = QString(251, 'n') + ".jpg";
        Strip s({{"a.BMP", 30},
                 {"b.jpg", 10},
                 {"c.JPEG", 5},
                 {"d.txt", 1},
                 {"e.bmp.bak", 2},
                 {"fbmp", 20},
                 {longName, 40}});
        QDir(s.gallery).mkdir("x.jpg");
        s.list->Refresh();
        QCOMPARE(names(*s.list), QStringList({"b.jpg", "fbmp", "a.BMP", longName}));
        QFile marker(s.path("config.ini"));
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll().trimmed(), QByteArray("[README]\nFirst=Never Delete"));
    }

    // Of files equally old, the one enumerated later comes first.
    void equalTimesPutTheLaterEnumeratedFirst() {
        std::vector<viewer::GalleryRecord> records;
        for (const auto& [name, time] : std::vector<std::pair<QString, int>>{
                 {"p", 5}, {"q", 3}, {"r", 5}, {"s", 3}, {"t", 1}}) {
            records.push_back({name, 0, time, 0, 0, {}});
        }
        viewer::OrderGalleryRecords(records);
        QStringList order;
        for (const auto& record : records) {
            order << record.name;
        }
        QCOMPARE(order, QStringList({"t", "s", "q", "r", "p"}));
    }

    // A capture goes at the end of the strip whatever its time; the next refresh sorts it in.
    void addFileAppendsUnsorted() {
        Strip s({{"new.jpg", 50}, {"old.jpg", 10}});
        makeFile(s.path("capture.bmp"), 0);
        QCOMPARE(s.list->AddFile("capture.bmp"), 2);
        QCOMPARE(names(*s.list), QStringList({"old.jpg", "new.jpg", "capture.bmp"}));
        s.list->Refresh();
        QCOMPARE(names(*s.list), QStringList({"capture.bmp", "old.jpg", "new.jpg"}));
    }

    void menuFollowsTheSelectedCount_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("enabled");
        const QList<int> always{res::kGalleryAddImageCommand, res::kGallerySelectAllCommand,
                                res::kGalleryRefreshCommand};
        QTest::newRow("none") << QList<int>{} << always;
        QTest::newRow("one") << QList<int>{1}
                             << always + QList<int>{res::kGalleryPreviewCommand,
                                                    res::kGalleryRenameCommand,
                                                    res::kGallerySaveAsCommand,
                                                    res::kGalleryDeleteCommand,
                                                    res::kGalleryPropertiesCommand};
        QTest::newRow("three") << QList<int>{0, 1, 2}
                               << always + QList<int>{res::kGalleryDeleteCommand};
    }
    void menuFollowsTheSelectedCount() {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, enabled);
        Strip s({{"a.jpg", 1}, {"b.jpg", 2}, {"c.jpg", 3}});
        s.list->clearSelection();
        for (int row : selected) {
            s.list->selectionModel()->select(s.list->model()->index(row, 0),
                                             QItemSelectionModel::Select);
        }
        // A right click inside the strip opens it; the menu key does not.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, {10, 10},
                              s.list->viewport()->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(s.list->viewport(), &key);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QStringList captions;
        QList<int> enabledIds;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (QAction* action : menu->actions()) {
                captions << (action->isSeparator() ? "-" : action->text());
                if (action->isEnabled() && !action->isSeparator()) {
                    enabledIds << action->data().toInt();
                }
            }
            menu->close();
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, {200, 40},
                                s.list->viewport()->mapToGlobal(QPoint(200, 40)));
        QApplication::sendEvent(s.list->viewport(), &click);
        QCOMPARE(captions,
                 QStringList({"Image &Preview", "-", "&Add Image...", "S&elect All", "&Rename",
                              "&Save As...", "&Delete", "-", "Refresh", "Pr&operties"}));
        std::sort(enabled.begin(), enabled.end());
        std::sort(enabledIds.begin(), enabledIds.end());
        QCOMPARE(enabledIds, enabled);
    }

    void keysMoveAlongTheStrip_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::newRow("Right is next") << int(Qt::Key_Right) << 2;
        QTest::newRow("Left is previous") << int(Qt::Key_Left) << 0;
        QTest::newRow("Up does nothing") << int(Qt::Key_Up) << 1;
        QTest::newRow("Down does nothing") << int(Qt::Key_Down) << 1;
    }
    void keysMoveAlongTheStrip() {
        QFETCH(int, key);
        QFETCH(int, row);
        Strip s({{"a.jpg", 1}, {"b.jpg", 2}, {"c.jpg", 3}});
        s.select({1});
        QTest::keyClick(s.list.get(), Qt::Key(key));
        QCOMPARE(s.list->currentIndex().row(), row);
        QCOMPARE(s.list->SelectedCount(), 1);
        // While the label is edited the arrows move the caret.
        s.list->RenameCommand();
        QTRY_VERIFY(s.list->IsEditingLabel());
        auto* edit = s.list->findChild<QLineEdit*>();
        QVERIFY(edit != nullptr);
        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(edit->cursorPosition(), key == Qt::Key_Right ? 3 : key == Qt::Key_Left ? 1 : 2);
        QCOMPARE(s.list->currentIndex().row(), row);
        // Escape after typing renames nothing.
        QTest::keyClicks(edit, "zz");
        QTest::keyClick(edit, Qt::Key_Escape);
        QTRY_VERIFY(!s.list->IsEditingLabel());
        QCoreApplication::processEvents();
        QCOMPARE(names(*s.list), QStringList({"a.jpg", "b.jpg", "c.jpg"}));
        QVERIFY(QFile::exists(s.path("a.jpg")) && QFile::exists(s.path("c.jpg")));
        QVERIFY(s.messages.empty());
    }

    void renameChecksTheNewName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("removeFirst");  // the file vanishes while the label is edited
        QTest::addColumn<QString>("caption");   // empty: renamed, or nothing shown
        QTest::addColumn<QStringList>("files");
        const QStringList untouched{"a.jpg", "c.jpg"};
        QTest::newRow("allowed, extension in another case")
            << "b.JPG" << false << "" << QStringList{"b.JPG", "c.jpg"};
        QTest::newRow("same name") << "a.jpg" << false << "" << untouched;
        QTest::newRow("empty") << "" << false << "Change Filename" << untouched;
        QTest::newRow("other extension")
            << "a.bmp" << false << "Filename change Error" << untouched;
        QTest::newRow("no extension") << "a" << false << "Filename change Error" << untouched;
        QTest::newRow("name taken") << "c.jpg" << false << "Error Renaming File" << untouched;
        QTest::newRow("case only") << "A.jpg" << false << "Error Renaming File" << untouched;
        QTest::newRow("vanished") << "b.jpg" << true << "Error" << QStringList{"c.jpg"};
    }
    void renameChecksTheNewName() {
        QFETCH(QString, typed);
        QFETCH(bool, removeFirst);
        QFETCH(QString, caption);
        QFETCH(QStringList, files);
        Strip s({{"a.jpg", 1}, {"c.jpg", 2}});
        s.select({0});
        s.list->RenameCommand();
        QTRY_VERIFY(s.list->IsEditingLabel());
        if (removeFirst) {
            QFile::remove(s.path("a.jpg"));
        }
        auto* edit = s.list->findChild<QLineEdit*>();
        QVERIFY(edit != nullptr);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        if (caption.isEmpty()) {
            // The edit closes first; its outcome is handled right after.
            QTRY_VERIFY(!s.list->IsEditingLabel());
            QCoreApplication::processEvents();
            QVERIFY(s.messages.empty());
        } else {
            QTRY_COMPARE(s.messages.size(), std::size_t(1));
            QCOMPARE(s.messages.front().caption, caption);
            QCOMPARE(s.messages.front().icon, QMessageBox::Critical);
            // A refused name reopens the edit; a vanished file refreshes the strip instead.
            QTRY_COMPARE(s.list->IsEditingLabel(), !removeFirst);
        }
        QDir folder(s.gallery);
        QCOMPARE(folder.entryList({"*.jpg", "*.JPG", "*.bmp"}, QDir::Files, QDir::Name), files);
        QCOMPARE(names(*s.list), files);
        if (caption == "Error Renaming File") {
            QCOMPARE(s.messages.front().text,
                     QString("Cannot rename a.jpg: A file with the name you specified already "
                             "exists.\n\nSpecify a different filename."));
        }
    }

    void saveAsAddsTheTypeOnce_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QStringList>("written");  // files in the target folder afterwards
        QTest::addColumn<QString>("question");     // the name asked about, if any
        QTest::newRow("proposed name") << "NoName" << true << QStringList{"NoName.JPG"} << "";
        QTest::newRow("typed with type") << "copy.jpg" << true << QStringList{"copy.jpg"} << "";
        QTest::newRow("onto an existing file, No")
            << "old" << false << QStringList{"old.JPG"} << "old";
        QTest::newRow("onto an existing file, Yes")
            << "old.JPG" << true << QStringList{"old.JPG"} << "old.JPG";
    }
    void saveAsAddsTheTypeOnce() {
        QFETCH(QString, typed);
        QFETCH(bool, replace);
        QFETCH(QStringList, written);
        QFETCH(QString, question);
        Strip s({{"a.jpg", 1}});
        const QString target = s.dir.path() + "/target";
        QDir().mkdir(target);
        makeFile(target + "/old.JPG", 0, "old bytes");
        s.answer = replace ? QMessageBox::Yes : QMessageBox::No;
        s.select({0});
        withDialog<QFileDialog>(
            [&](QFileDialog* dialog) {
                QCOMPARE(dialog->nameFilters(), QStringList({"JPEG Image(*.JPG)"}));
                chooseFile(dialog, target, typed == "NoName" ? QString() : typed);
            },
            [&] { s.list->SaveAsCommand(); });
        QStringList files = QDir(target).entryList(QDir::Files);
        files.removeAll("old.JPG");
        if (typed.startsWith("old")) {
            files << "old.JPG";
            QFile copy(target + "/old.JPG");
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll() == "old bytes", !replace);
        }
        QCOMPARE(files, written);
        if (question.isEmpty()) {
            QVERIFY(s.messages.empty());
        } else {
            QCOMPARE(s.messages.size(), std::size_t(1));
            QCOMPARE(s.lastMessage(),
                     QString("'%1' already exits. \n\nDo you want to replace it?").arg(question));
            QCOMPARE(s.messages.front().caption, QString("Warning"));
        }
    }

    // Selected items whose files have gone are left out of the question, and the refresh drops
    // them; No deletes nothing.
    void deleteAsksForTheFilesThatAreLeft_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void deleteAsksForTheFilesThatAreLeft() {
        QFETCH(bool, yes);
        Strip s({{"a.jpg", 1}, {"b.jpg", 2}, {"c.jpg", 3}, {"d.jpg", 4}});
        s.answer = yes ? QMessageBox::Yes : QMessageBox::No;
        s.select({0, 1, 2});
        QFile::remove(s.path("b.jpg"));
        QTest::keyClick(s.list.get(), Qt::Key_Delete);
        QCOMPARE(s.messages.size(), std::size_t(1));
        QCOMPARE(s.lastMessage(),
                 QString("Are you sure you want to permanently delete these 2 items?"));
        const QStringList left =
            yes ? QStringList{"d.jpg"} : QStringList{"a.jpg", "c.jpg", "d.jpg"};
        QCOMPARE(names(*s.list), left);
        // The table shrank: no single-item command acts on what was there.
        QCOMPARE(s.list->CurrentItem(), -1);
        s.list->PropertiesCommand();
        s.list->PreviewCommand();
        QCOMPARE(s.messages.size(), std::size_t(1));
        QVERIFY(s.host.previews.empty());
    }

    // A picture that cannot be decoded shows its label alone, silently.
    void undecodableFileHasNoThumbnail() {
        Strip s({{"good.jpg", 1}});
        makeFile(s.path("bad.jpg"), 2, "not a picture at all");
        s.list->Refresh();
        s.select({0});
        QTRY_VERIFY(s.list->HasThumbnail(0));
        QTRY_COMPARE(s.list->PendingThumbnails(), 0);
        QVERIFY(!s.list->HasThumbnail(1));
        QVERIFY(s.messages.empty());
        const QImage shot = s.list->viewport()->grab().toImage();
        const QRect first = s.list->visualRect(s.list->model()->index(0, 0));
        const QRect second = s.list->visualRect(s.list->model()->index(1, 0));
        // The selected item's frame is blue, its picture red; the broken one shows the strip.
        const QPoint frameAt = first.topLeft() + QPoint((first.width() - 111) / 2 + 1, 20);
        QCOMPARE(shot.pixelColor(frameAt), QColor(49, 106, 197));
        QCOMPARE(shot.pixelColor(first.topLeft() + QPoint(first.width() / 2, 40)).red() > 200,
                 true);
        QCOMPARE(shot.pixelColor(second.topLeft() + QPoint(second.width() / 2, 40)),
                 s.list->palette().color(QPalette::Base));
    }

    // Add Image copies into the save folder, asking before it replaces a file there.
    void addImageCopiesIntoTheSaveFolder() {
        Strip s({{"a.jpg", 1}});
        const QString elsewhere = s.dir.path() + "/elsewhere";
        QDir().mkdir(elsewhere);
        makeFile(elsewhere + "/photo.jpeg", 0);
        makeFile(elsewhere + "/a.jpg", 5, "newer bytes");
        withDialog<QFileDialog>([&](QFileDialog* d) { chooseFile(d, elsewhere, "photo.jpeg"); },
                                [&] { s.list->AddImageCommand(); });
        QVERIFY(QFile::exists(s.path("photo.jpeg")));
        QCOMPARE(names(*s.list), QStringList{"a.jpg"});
        s.answer = QMessageBox::No;
        withDialog<QFileDialog>([&](QFileDialog* d) { chooseFile(d, elsewhere, "a.jpg"); },
                                [&] { s.list->AddImageCommand(); });
        QCOMPARE(s.lastMessage(), QString("'a.jpg' already exits. \n\nDo you want to replace it?"));
        QVERIFY(QFileInfo(s.path("a.jpg")).size() != 11);
    }

    void propertiesNameTheFile() {
        Strip s({{"a.jpg", 1}});
        s.select({0});
        QString pixels, format;
        withDialog<QDialog>(
            [&](QDialog* dialog) {
                pixels = dialog->findChild<QLabel*>("pixels")->text();
                format = dialog->findChild<QLabel*>("format")->text();
                dialog->accept();
            },
            [&] { s.list->PropertiesCommand(); });
        QCOMPARE(pixels, QString("64 x 48"));
        QCOMPARE(format, QString("JPEG"));
    }
};

QTEST_MAIN(GalleryListTest)
#include "gallery_list_test.moc"
