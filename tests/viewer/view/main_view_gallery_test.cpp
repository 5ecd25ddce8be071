// The main view's gallery side in the whole viewer: stored images from the strip, capture-ID
// folders, a capture joining the strip and the "Basket" button.
#include <QLineEdit>
#include <QTest>

#include "capture/frame_picture.h"
#include "gallery/gallery_list.h"
#include "resources/resource_ids.h"
#include "viewer_fixture.h"

namespace {

using viewer::test::Viewer;

void makePicture(const QString& path, QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(path));
}

QStringList names(const CGalleryList& list) {
    QStringList all;
    for (int row = 0; row < list.Count(); ++row) {
        all << list.ItemName(row);
    }
    return all;
}

// The viewer's data folder, made (its documents folder does not exist in a test) and listed.
QString galleryOf(const Viewer& v) {
    QDir().mkpath(v.config.GetDefaultDataFolder());
    v.view->GalleryList()->Refresh();
    return v.config.GetGalleryFolder();
}

}  // namespace

class MainViewGalleryTest : public QObject {
    Q_OBJECT

private slots:
    // A double click shows the file in the active pane, scaled down to fit; capture is locked
    // and Print allowed. A file gone since the listing is reported and dropped from the strip.
    void storedImagesComeFromTheStrip() {
        Viewer v;
        CGalleryList* list = v.view->GalleryList();
        const QString gallery = galleryOf(v);
        makePicture(gallery + "/big.jpg", {2000, 1500});
        makePicture(gallery + "/gone.bmp", {64, 48});
        QTest::keyClick(list, Qt::Key_F5);
        QCOMPARE(list->Count(), 2);
        const int big = list->ItemName(0) == "big.jpg" ? 0 : 1;
        const QRect item = list->visualRect(list->model()->index(big, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
        const viewer::BitmapInfoHeader header = viewer::readHeader(v.pane(0)->FramePicture());
        QCOMPARE(QSize(header.width, header.height), QSize(1280, 960));
        QVERIFY(!v.pane(0)->IsLive());
        QVERIFY(v.view->StoredImageShown());
        QVERIFY(!v.button(res::kCaptureButton)->isEnabled());
        QVERIFY(v.button(res::kPrintButton)->isEnabled());
        QVERIFY(v.messages.empty());

        QFile::remove(gallery + "/gone.bmp");
        v.view->PreviewGalleryItem(1 - big);
        QCOMPARE(v.messages.size(), std::size_t(1));
        QCOMPARE(v.messages[0].text, QString("Can not preview image"));
        QCOMPARE(v.messages[0].caption, QString("e-NodraViewer ver3.0"));
        QCOMPARE(v.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(names(*list), QStringList{"big.jpg"});
    }

    void captureIdsListTheirFolders_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("listed");  // sub-folder listed; null when refused
        QTest::newRow("blank") << "   "
                               << "";
        QTest::newRow("new, trimmed") << " NEW "
                                      << "NEW";
        QTest::newRow("existing") << "OLD"
                                  << "OLD";
        QTest::newRow("parent") << ".." << QString();
        QTest::newRow("way out") << "../up" << QString();
        QTest::newRow("separator") << "a/b" << QString();
        QTest::newRow("backslash") << "a\\b" << QString();
        QTest::newRow("a file's name") << "FILE" << QString();
    }
    void captureIdsListTheirFolders() {
        QFETCH(QString, typed);
        QFETCH(QString, listed);
        Viewer v;
        const QString gallery = galleryOf(v);
        QDir(gallery).mkdir("OLD");
        makePicture(gallery + "/OLD/old.jpg", {8, 8});
        makePicture(gallery + "/top.jpg", {8, 8});
        QFile(gallery + "/FILE").open(QIODevice::WriteOnly);
        CGalleryList* list = v.view->GalleryList();
        list->Refresh();
        auto* edit = v.panel->findChild<QLineEdit*>(QStringLiteral("ID_1036"));
        QTest::keyClicks(edit, typed);
        v.click(res::kIdButton);
        if (listed.isNull()) {
            QCOMPARE(v.messages.size(), std::size_t(1));
            QCOMPARE(v.messages[0].text, QString("Can not create '%1' directory!").arg(typed));
            QCOMPARE(v.messages[0].caption, QString("Error"));
            QVERIFY(v.panel->CaptureId().isEmpty());
            QVERIFY(edit->text().isEmpty());
            QCOMPARE(v.panel->focusWidget(), edit);
            // The strip keeps the folder it listed, and nothing was made outside the gallery.
            QCOMPARE(names(*list), QStringList{"top.jpg"});
            QVERIFY(!QFileInfo::exists(gallery + "/../up"));
            return;
        }
        QVERIFY(v.messages.empty());
        QCOMPARE(list->SubfolderName(), listed);
        QVERIFY(QFileInfo(list->ListedFolder()).isDir());
        const QStringList expected = listed.isEmpty()  ? QStringList{"top.jpg"}
                                     : listed == "OLD" ? QStringList{"old.jpg"}
                                                       : QStringList{};
        QCOMPARE(names(*list), expected);
        QVERIFY(QFileInfo::exists(list->ListedFolder() + "/config.ini"));
    }

    // A capture joins the strip selected and current; "Basket" deletes the selection and does
    // nothing without one.
    void capturesJoinTheStripAndBasketDeletes() {
        Viewer v;
        v.answer = QMessageBox::Yes;
        CGalleryList* list = v.view->GalleryList();
        const QString gallery = galleryOf(v);
        auto* basket = v.view->findChild<CSkinButton*>(QStringLiteral("ID_124"));
        QTest::mouseClick(basket, Qt::LeftButton);
        QVERIFY(v.messages.empty());
        for (int i = 0; i < 12; ++i) {
            makePicture(gallery + QString("/old%1.jpg").arg(i), {8, 8});
        }
        list->Refresh();
        makePicture(gallery + "/cap.jpg", {8, 8});
        v.view->AddCapturedFile("cap.jpg");
        QCOMPARE(list->Count(), 13);
        QCOMPARE(list->currentIndex().row(), 12);
        QCOMPARE(list->SelectedCount(), 1);
        QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
        QTest::mouseClick(basket, Qt::LeftButton);
        QCOMPARE(v.messages.size(), std::size_t(1));
        QVERIFY(!QFile::exists(gallery + "/cap.jpg"));
        QCOMPARE(list->Count(), 12);
    }
};

QTEST_MAIN(MainViewGalleryTest)
#include "main_view_gallery_test.moc"
