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
};

QTEST_MAIN(PrintPageTest)
#include "print_page_test.moc"
