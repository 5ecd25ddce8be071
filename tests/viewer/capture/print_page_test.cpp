// The printed page's geometry, without a printer.
#include <QTest>

#include "capture/print_page.h"

class PrintPageTest : public QObject {
    Q_OBJECT

private slots:
    void sourceColumns_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("scroll");
        QTest::addColumn<QRect>("source");
        QTest::newRow("whole picture outside the half layout")
            << 3 << QSize(1280, 960) << 100 << QRect(0, 0, 1280, 960);
        QTest::newRow("640 wide, scrolled 100")
            << 2 << QSize(640, 480) << 100 << QRect(100, 0, 320, 480);
        QTest::newRow("1280 wide: twice the scroll, twice the width")
            << 2 << QSize(1280, 960) << 100 << QRect(200, 0, 640, 960);
        QTest::newRow("scrolled past the end stays inside")
            << 2 << QSize(640, 480) << 500 << QRect(320, 0, 320, 480);
        QTest::newRow("picture narrower than the window")
            << 2 << QSize(200, 960) << 30 << QRect(0, 0, 200, 960);
    }
    void sourceColumns() {
        QFETCH(int, layout);
        QFETCH(QSize, picture);
        QFETCH(int, scroll);
        QFETCH(QRect, source);
        QCOMPARE(viewer::PrintSourceRect(layout, picture, scroll), source);
    }

    // Captions hang under their own picture, and nothing on the page runs into anything else.
    void slotsKeepClearOfEachOther_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("count");
        QTest::newRow("one") << 0 << 1;
        QTest::newRow("two") << 1 << 2;
        QTest::newRow("two half") << 2 << 2;
        QTest::newRow("four") << 3 << 4;
        QTest::newRow("full screen") << 4 << 0;
        QTest::newRow("unknown") << 7 << 0;
    }
    void slotsKeepClearOfEachOther() {
        QFETCH(int, layout);
        QFETCH(int, count);
        const auto places = viewer::PrintSlotsOf(layout);
        QCOMPARE(static_cast<int>(places.size()), count);
        // A 10 point caption line, and a landscape letter or A4 sheet.
        const QRect sheet(0, 0, 11 * 1440, 8 * 1440);
        for (std::size_t i = 0; i < places.size(); ++i) {
            const QRect picture = viewer::TopDown(places[i].picture);
            const QRect caption(viewer::TopDown(places[i].caption), QSize(picture.width(), 240));
            QCOMPARE(places[i].pane, static_cast<int>(i));
            QCOMPARE(caption.left(), picture.left());
            QVERIFY(caption.top() > picture.bottom());
            QVERIFY(sheet.contains(picture.united(caption)));
            for (std::size_t j = 0; j < places.size(); ++j) {
                const QRect other = viewer::TopDown(places[j].picture);
                QVERIFY(i == j || !other.intersects(picture));
                QVERIFY(!other.intersects(caption));
            }
        }
    }
};

QTEST_MAIN(PrintPageTest)
#include "print_page_test.moc"
