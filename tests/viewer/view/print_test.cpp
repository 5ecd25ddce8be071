// Printing from the running viewer through a spooler of the test's own: Print is pressed, the
// set-up dialog answered, and the PDF the printer writes is rendered and read back.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include "capture/frame_picture.h"
#include "capture/print_page.h"
#include "private_spooler.h"
#include "resources/resource_ids.h"
#include "viewer_fixture.h"

namespace {

using viewer::test::kWait;
using viewer::test::PrivateSpooler;
using viewer::test::RunTool;
using viewer::test::Viewer;

constexpr int kDpi = 144;  // 10 twips to the pixel
constexpr int kPdfWaitMs = 60000;

// Answers the next modal dialog, accepting or rejecting it, and notes what it was.
class DialogAnswer : public QObject {
public:
    explicit DialogAnswer(bool accept) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this, accept] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            timer_.stop();
            if (auto* setup = qobject_cast<QPrintDialog*>(dialog)) {
                printSetup = true;
                landscape = setup->printer()->pageLayout().orientation() == QPageLayout::Landscape;
            }
            accept ? dialog->accept() : dialog->reject();
        });
        timer_.start();
    }
    bool printSetup = false;
    bool landscape = false;

private:
    QTimer timer_;
};

int darkness(QRgb pixel) {
    return 255 - std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

// Where a side of a picture or outline starts: scanning lines across the middle half of the side
// from 8 pixels outside inwards, the first pixel that is not paper white; the median of the lines.
int foundEdge(const QImage& page, const QRect& expected, Qt::Edge side) {
    const bool vertical = side == Qt::LeftEdge || side == Qt::RightEdge;
    const int length = vertical ? expected.height() : expected.width();
    const int step = (side == Qt::LeftEdge || side == Qt::TopEdge) ? 1 : -1;
    const int edge = side == Qt::LeftEdge    ? expected.left()
                     : side == Qt::RightEdge ? expected.right()
                     : side == Qt::TopEdge   ? expected.top()
                                             : expected.bottom();
    std::vector<int> found;
    for (int along = length / 4; along < 3 * length / 4; ++along) {
        for (int across = edge - 8 * step; across != edge + 9 * step; across += step) {
            const QPoint at = vertical ? QPoint(across, expected.top() + along)
                                       : QPoint(expected.left() + along, across);
            if (page.valid(at) && darkness(page.pixel(at)) > 55) {
                found.push_back(across);
                break;
            }
        }
    }
    if (found.empty()) {
        return edge + 100;
    }
    std::nth_element(found.begin(), found.begin() + static_cast<long>(found.size() / 2),
                     found.end());
    return found[found.size() / 2];
}

// Mean difference per channel between a page region and a picture scaled to its size.
double meanDifference(const QImage& page, const QRect& region, const QImage& picture) {
    const QImage expected =
        picture.scaled(region.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int y = 0; y < region.height(); ++y) {
        for (int x = 0; x < region.width(); ++x) {
            const QRgb a = page.pixel(region.left() + x, region.top() + y);
            const QRgb b = expected.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
        }
    }
    return sum / (3.0 * region.width() * region.height());
}

int darkPixels(const QImage& page, const QRect& region) {
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            count += page.valid(x, y) && darkness(page.pixel(x, y)) > 127 ? 1 : 0;
        }
    }
    return count;
}

// The pane's picture as it prints, top row first, read from its frame picture: 640-wide frames
// whole, others without their first and last 32 rows.
QImage printedPicture(const CDispView& pane) {
    const auto block = pane.FramePicture();
    const viewer::BitmapInfoHeader header = viewer::readHeader(block);
    const QImage bottomUp(viewer::pixelsOf(block).data(), header.width, header.height,
                          static_cast<qsizetype>(viewer::rowStride(header.width)),
                          QImage::Format_BGR888);
    const QImage picture = bottomUp.mirrored();
    return header.width == 640 ? picture : picture.copy(0, 32, header.width, header.height - 64);
}

// Page pixels of a page position in twips.
QRect onPage(const QRect& twips, QPoint origin) {
    return {origin + twips.topLeft() / (viewer::kTwipsPerInch / kDpi),
            twips.size() / (viewer::kTwipsPerInch / kDpi)};
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateSpooler> spooler_;
    QString spoolerError_;

    // The spooler, started by the first case that needs one; null when it cannot run here
    // (the case skips) or did not start (it fails).
    PrivateSpooler* spooler() {
        if (!spooler_ && spoolerError_.isEmpty() && PrivateSpooler::WhyUnavailable().isEmpty()) {
            spooler_ = std::make_unique<PrivateSpooler>();
            if (!spooler_->Start(&spoolerError_)) {
                spooler_.reset();
            }
        }
        return spooler_.get();
    }

    static void freeze(Viewer& v) {
        v.click(res::kFreezeButton);
        QVERIFY(v.button(res::kPrintButton)->isEnabled());
    }

// The spooler cases need cupsd and the PDF backend: without them they are skipped, saying why.
#define SKIP_WITHOUT_SPOOLER(spooler)                                                     \
    if ((spooler) == nullptr) {                                                           \
        QVERIFY2(!PrivateSpooler::WhyUnavailable().isEmpty(), qPrintable(spoolerError_)); \
        QSKIP(qPrintable(PrivateSpooler::WhyUnavailable()));                              \
    }

private slots:
    void initTestCase() {
        PrivateSpooler::UseForThisProcess();
    }
    void cleanupTestCase() {
        spooler_.reset();
    }

    // Runs before any spooler: nothing answers, so there is no default printer.
    void withoutDefaultPrinterOnlyTheWarningShows() {
        Viewer v;
        QVERIFY(v.waitLive(0));
        freeze(v);
        DialogAnswer answer(false);
        v.click(res::kPrintButton);
        QVERIFY(!answer.printSetup);
        QCOMPARE(v.messages.size(), std::size_t{1});
        QCOMPARE(v.messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(v.messages[0].text, QStringLiteral("Cannot find any default print device!"));
        QCOMPARE(v.messages[0].icon, QMessageBox::Warning);
    }

    void jobThatCannotStartIsReported() {
        Viewer v;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(v.folder.path() + "/no such folder/page.pdf");
        v.view->PrintOn(printer);
        QCOMPARE(v.messages.size(), std::size_t{1});
        QCOMPARE(v.messages[0].text, QStringLiteral("Can not print!"));
        QCOMPARE(v.messages[0].caption, QStringLiteral("Error"));
    }

    void cancelledSetupPrintsNothing() {
        PrivateSpooler* spooler = this->spooler();
        SKIP_WITHOUT_SPOOLER(spooler);
        Viewer v;
        QVERIFY(v.waitLive(0));
        freeze(v);
        const int jobs = spooler->JobsSubmitted();
        DialogAnswer answer(false);
        v.click(res::kPrintButton);
        QVERIFY(answer.printSetup);
        QCOMPARE(spooler->JobsSubmitted(), jobs);
        QVERIFY(v.messages.empty());
    }

    void printsTheLayout_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("resolution");
        // Panes made live one after the other; the last is then frozen.
        QTest::addColumn<QList<int>>("pictures");
        // Scroll positions of panes 0 and 1.
        QTest::addColumn<QList<int>>("scrolls");
        QTest::newRow("layout-0-1280") << 0 << 1 << QList<int>{0} << QList<int>{};
        QTest::newRow("layout-1") << 1 << 0 << QList<int>{0, 1} << QList<int>{};
        QTest::newRow("layout-2-scrolled") << 2 << 0 << QList<int>{0, 1} << QList<int>{100, 0};
        QTest::newRow("layout-2-1280-scrolled")
            << 2 << 1 << QList<int>{0, 1} << QList<int>{100, 60};
        QTest::newRow("layout-3-two-empty") << 3 << 0 << QList<int>{0, 3} << QList<int>{};
        QTest::newRow("layout-4") << 4 << 0 << QList<int>{} << QList<int>{};
    }

    void printsTheLayout() {
        QFETCH(int, layout);
        QFETCH(int, resolution);
        QFETCH(QList<int>, pictures);
        QFETCH(QList<int>, scrolls);
        PrivateSpooler* spooler = this->spooler();
        SKIP_WITHOUT_SPOOLER(spooler);

        Viewer v;
        QVERIFY(v.waitLive(0));
        const int width = resolution == 1 ? 1280 : 640;
        if (resolution == 1) {
            auto* radio =
                v.panel->findChild<QRadioButton*>(QStringLiteral("ID_%1").arg(res::kRadio1280));
            QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
        }
        const auto widthOf = [&](int pane) {
            return viewer::readHeader(v.pane(pane)->FramePicture()).width;
        };
        QTRY_COMPARE_WITH_TIMEOUT(widthOf(0), width, kWait);
        if (layout == viewer::kFullScreenLayout) {
            v.view->SetScreenLayout(layout);
        } else if (layout != 0) {
            v.click(res::kLayout1Button + layout);
        }
        QCOMPARE(v.view->ScreenLayout(), layout);
        for (int pane : pictures) {
            if (!v.pane(pane)->IsLive()) {
                QTest::mouseClick(v.pane(pane)->viewport(), Qt::LeftButton);
            }
            QVERIFY(v.waitLive(pane));
            QTRY_COMPARE_WITH_TIMEOUT(widthOf(pane), width, kWait);
        }
        if (!pictures.isEmpty()) {
            freeze(v);
        }
        for (int pane = 0; pane < scrolls.size(); ++pane) {
            v.pane(pane)->horizontalScrollBar()->setValue(scrolls[pane]);
            QCOMPARE(v.pane(pane)->ScrollPosition(), scrolls[pane]);
        }

        DialogAnswer answer(true);
        if (layout == viewer::kFullScreenLayout) {
            v.view->PrintCommand();  // the panel and its button are hidden in full screen
        } else {
            v.click(res::kPrintButton);
        }
        QVERIFY(answer.printSetup);
        QVERIFY(answer.landscape);
        QVERIFY(v.messages.empty());
        const QString pdf = spooler->WaitForPdf(kPdfWaitMs);
        QVERIFY2(!pdf.isEmpty(), "the PDF printer wrote nothing");

        // A landscape page leaves the printer as a portrait sheet with the page turned onto it.
        const QString rendered = QDir(v.folder.path()).filePath("page");
        QVERIFY(RunTool("pdftoppm",
                        {"-r", QString::number(kDpi), "-singlefile", "-png", pdf, rendered}));
        const QImage sheet(rendered + ".png");
        QVERIFY(!sheet.isNull());
        QVERIFY(sheet.height() > sheet.width());
        const QImage page =
            sheet.transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_RGB32);
        const QString pages = QCoreApplication::applicationDirPath() + "/print-pages";
        QDir().mkpath(pages);
        QVERIFY(page.save(QStringLiteral("%1/%2.png").arg(pages, QTest::currentDataTag())));

        QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        const QPoint origin =
            printer.pageLayout().paintRect(QPageLayout::Point).topLeft().toPoint() * kDpi / 72;

        const auto places = viewer::PrintSlotsOf(layout);
        if (places.empty()) {
            QCOMPARE(darkPixels(page, page.rect()), 0);
            return;
        }
        for (const viewer::PrintSlot& slot : places) {
            const QString caption = QString::fromLatin1(slot.defaultCaption);
            const CDispView& pane = *v.pane(slot.pane);
            const QRect expected = onPage(viewer::TopDown(slot.picture), origin);
            for (Qt::Edge side : {Qt::LeftEdge, Qt::TopEdge, Qt::RightEdge, Qt::BottomEdge}) {
                const int edge = side == Qt::LeftEdge    ? expected.left()
                                 : side == Qt::RightEdge ? expected.right()
                                 : side == Qt::TopEdge   ? expected.top()
                                                         : expected.bottom();
                const int found = foundEdge(page, expected, side);
                QVERIFY2(std::abs(found - edge) <= 2,
                         qPrintable(QStringLiteral("%1, side %2: %3 for %4")
                                        .arg(caption)
                                        .arg(int(side))
                                        .arg(found)
                                        .arg(edge)));
            }
            const QRect inside = expected.adjusted(4, 4, -4, -4);
            if (pictures.contains(slot.pane)) {
                const QImage picture = printedPicture(pane);
                const QRect source =
                    viewer::PrintSourceRect(layout, picture.size(), pane.ScrollPosition());
                const QRect insideSource(source.left() + 4 * source.width() / expected.width(),
                                         4 * source.height() / expected.height(),
                                         source.width() * inside.width() / expected.width(),
                                         source.height() * inside.height() / expected.height());
                QVERIFY2(meanDifference(page, inside, picture.copy(insideSource)) < 20,
                         qPrintable(caption));
                if (pane.ScrollPosition() > 0) {
                    // The picture's left-hand columns must look different, or the check above
                    // could not tell a scrolled print from an unscrolled one.
                    const QRect unscrolled = insideSource.translated(-insideSource.left(), 0);
                    QVERIFY(meanDifference(page, inside, picture.copy(unscrolled)) > 20);
                }
            } else {
                QCOMPARE(darkPixels(page, inside), 0);
            }
            const QRect captionBox =
                onPage(QRect(viewer::TopDown(slot.caption), QSize(1000, 250)), origin);
            QVERIFY2(darkPixels(page, captionBox) > 20, qPrintable(caption));
            QCOMPARE(pane.PrintPicture().Caption(), caption);
        }
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
