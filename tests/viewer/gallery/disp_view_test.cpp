// The picture pane as the main view uses it: clicks and keys reported to the owner, live state
// with scroll bars and cursor, holding, and what ends up painted.
#include "gallery/disp_view.h"
#include "gallery/pane_notify_event.h"
#include "tagged_picture.h"

#include <QScrollBar>
#include <QtTest>

#include <memory>

namespace {

const QRgb kActive = qRgb(255, 100, 100);
const QRgb kInactive = qRgb(160, 190, 255);
const QRgb kGrey = qRgb(128, 128, 128);

struct Notice {
    CDispView* pane;
    int controlId;
    int code;
    bool liveWhenSent;
};

// Stands in for the main view: records what the panes tell it.
class Owner : public QWidget {
public:
    QList<Notice> notices;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CPaneNotifyEvent::kType) {
            const auto* notice = static_cast<CPaneNotifyEvent*>(e);
            notices.append(
                {notice->Pane(), notice->ControlId(), notice->Code(), notice->Pane()->IsLive()});
            return true;
        }
        return QWidget::event(e);
    }
};

QImage painted(CDispView& pane) {
    return pane.viewport()->grab().toImage();
}

}  // namespace

class DispViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Owner> owner;
    std::unique_ptr<CDispView> pane;

    // A pane shown at `size`, owned by `owner` but not its child, so the owner can go first.
    void makePane(QSize size, int controlId = 117) {
        owner = std::make_unique<Owner>();
        pane = std::make_unique<CDispView>(owner.get(), controlId, nullptr);
        pane->InitFrame();
        pane->resize(size);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
    }
    QPoint hotSpot() const { return pane->viewport()->cursor().hotSpot(); }
    void showTagged(int width, int height) {
        const auto frame = test::taggedFrame(width, height);
        QVERIFY(pane->ShowFrame(frame.data(), frame.size()));
    }

private slots:
    void cleanup() {
        pane.reset();
        owner.reset();
    }

    // The cursor tells the live state too.
    void leftClickTogglesLiveAndScrollBars() {
        makePane({400, 300});
        pane->SetScrollSizes({640, 10});
        showTagged(640, 480);
        pane->SetLive(true);
        pane->UpdateScrollBars();
        QScrollBar* bar = pane->horizontalScrollBar();
        QVERIFY(!bar->isEnabled());

        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, {50, 50});
        QVERIFY(!pane->IsLive());
        QVERIFY(bar->isEnabled());
        QCOMPARE(hotSpot(), QPoint(10, 8));
        QCOMPARE(pane->viewport()->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(owner->notices.size(), 1);
        const Notice first = owner->notices.first();
        QCOMPARE(first.pane, pane.get());
        QCOMPARE(first.controlId, 117);
        QCOMPARE(first.code, 0);
        QCOMPARE(first.liveWhenSent, false);

        bar->setValue(120);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, {50, 50});
        QVERIFY(pane->IsLive());
        QVERIFY(!bar->isEnabled());
        QCOMPARE(hotSpot(), QPoint(18, 14));
        QCOMPARE(pane->ScrollPosition(), 0);
        QTest::keyClick(pane.get(), Qt::Key_Right);
        QCOMPARE(pane->ScrollPosition(), 0);
        QCOMPARE(owner->notices.size(), 2);
        QCOMPARE(owner->notices.last().liveWhenSent, true);
    }

    void rightClickAndEscapeSendCodeOne_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("right click") << false;
        QTest::newRow("escape") << true;
    }
    void rightClickAndEscapeSendCodeOne() {
        QFETCH(bool, escape);
        makePane({320, 240}, 120);
        pane->SetLive(true);
        if (escape) {
            QTest::keyClick(pane.get(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(pane->viewport(), Qt::RightButton, {}, {10, 10});
        }
        QCOMPARE(owner->notices.size(), 1);
        QCOMPARE(owner->notices.first().code, 1);
        QCOMPARE(owner->notices.first().controlId, 120);
        QVERIFY(pane->IsLive());
    }

    void clicksWithoutOwnerStillToggle() {
        makePane({320, 240});
        owner.reset();
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, {10, 10});
        QTest::mouseClick(pane->viewport(), Qt::RightButton, {}, {10, 10});
        QTest::keyClick(pane.get(), Qt::Key_Escape);
        QVERIFY(pane->IsLive());
    }

    void holdDropsFramesUntilItEnds() {
        makePane({640, 480});
        const auto later = test::taggedFrame(320, 480);
        showTagged(640, 480);
        pane->Hold();
        QVERIFY(!pane->ShowFrame(later.data(), later.size()));
        QCOMPARE(test::sourceOf(painted(*pane).pixel(300, 200)), QPoint(300, 200));
        QTRY_VERIFY_WITH_TIMEOUT(!pane->IsHolding(), 10000);
        QVERIFY(pane->ShowFrame(later.data(), later.size()));
        QCOMPARE(test::sourceOf(painted(*pane).pixel(300, 200)), QPoint(150, 200));
    }

    // Pane as large as the shown rows, so every painted pixel maps to exactly one source pixel.
    void paintsTheRightRows_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("rows");
        QTest::newRow("640x480 whole") << QSize(640, 480) << 0 << 480;
        QTest::newRow("640x512 cropped 16") << QSize(640, 512) << 16 << 480;
        QTest::newRow("1280x1024 cropped 32") << QSize(1280, 1024) << 32 << 960;
        QTest::newRow("800x600 cropped 32") << QSize(800, 600) << 32 << 536;
    }
    void paintsTheRightRows() {
        QFETCH(QSize, picture);
        QFETCH(int, firstRow);
        QFETCH(int, rows);
        makePane({picture.width(), rows});
        QCOMPARE(pane->viewport()->size(), QSize(picture.width(), rows));
        showTagged(picture.width(), picture.height());
        const QImage shot = painted(*pane);
        const int x = picture.width() / 2;
        for (const int y : {3, rows / 2, rows - 4}) {
            QCOMPARE(test::sourceOf(shot.pixel(x, y)), QPoint(x, firstRow + y));
        }
        QCOMPARE(shot.pixel(x, 0), kActive);
        QCOMPARE(shot.pixel(x, rows - 1), kActive);
    }

    // Two-half-screens layout: a 640-wide surface in a narrower pane, scrolled by bar and wheel.
    void halfScreenSurfaceScrollsUnderAFixedFrame() {
        makePane({400, 300});
        pane->SetScrollSizes({640, 10});
        QVERIFY(pane->SetImage(test::taggedImage(640, 480)));
        pane->SetHighlight(false);
        pane->UpdateScrollBars();
        QScrollBar* bar = pane->horizontalScrollBar();
        QVERIFY(bar->isEnabled());
        QCOMPARE(bar->maximum(), 640 - pane->viewport()->width());

        QWheelEvent wheel({50, 50}, pane->viewport()->mapToGlobal(QPoint(50, 50)), {}, {0, -120},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane->viewport(), &wheel);
        QVERIFY(pane->ScrollPosition() > 0);

        bar->setValue(100);
        const QImage shot = painted(*pane);
        const int right = pane->viewport()->width() - 1;
        QCOMPARE(test::sourceOf(shot.pixel(10, 150)).x(), 110);
        QCOMPARE(test::sourceOf(shot.pixel(right - 3, 150)).x(), 100 + right - 3);
        for (const int x : {0, 2, right - 2, right}) {
            QCOMPARE(shot.pixel(x, 150), kInactive);
        }
    }

    void clearPaintsGreyAndDisablesScrolling() {
        makePane({400, 300});
        pane->SetScrollSizes({640, 10});
        showTagged(640, 480);
        pane->UpdateScrollBars();
        pane->horizontalScrollBar()->setValue(50);
        pane->SetLive(true);
        QVERIFY(pane->ShowFrame(nullptr, 0));
        QVERIFY(!pane->HasPicture());
        QVERIFY(!pane->IsLive());
        QCOMPARE(hotSpot(), QPoint(10, 8));
        pane->UpdateScrollBars();
        QVERIFY(!pane->horizontalScrollBar()->isEnabled());
        QCOMPARE(pane->ScrollPosition(), 0);
        QCOMPARE(painted(*pane).pixel(200, 100), kGrey);
    }

    // Lengths outside the block are refused rather than copied past its end; a header that does
    // not fit the block paints grey instead of reading beyond it.
    void unsoundFramesNeverOverrun() {
        makePane({320, 240});
        showTagged(640, 480);
        const QImage before = painted(*pane);
        std::vector<std::uint8_t> huge(viewer::kFramePictureBytes + 1, 0x55);
        QVERIFY(!pane->ShowFrame(huge.data(), huge.size()));
        QVERIFY(!pane->ShowFrame(huge.data(), viewer::kFrameHeaderBytes - 1));
        QCOMPARE(painted(*pane), before);
        QVERIFY(pane->ShowFrame(huge.data(), viewer::kFramePictureBytes));

        auto lying = test::taggedFrame(640, 480);
        viewer::writeHeader(lying, viewer::pictureHeader(4000, 4000));
        QVERIFY(pane->ShowFrame(lying.data(), lying.size()));
        QCOMPARE(painted(*pane).pixel(160, 120), kGrey);
    }

    // Raw pixels are tightly packed bottom-up rows; the block pads them.
    // The pane's picture saved at capture size: the middle 960 rows of a 1280 x 1024 frame.
    void savesItsPictureAtCaptureSize() {
        makePane({320, 240});
        showTagged(1280, 1024);
        QTemporaryDir folder;
        QCOMPARE(pane->SavePicture(folder.filePath("capture"), 0), 1);
        const QImage saved(folder.filePath("capture.bmp"));
        QCOMPARE(saved.size(), QSize(1280, 960));
        for (const QPoint at : {QPoint(0, 0), QPoint(1279, 0), QPoint(640, 480), QPoint(7, 959)}) {
            QCOMPARE(test::sourceOf(saved.pixel(at)), at + QPoint(0, 32));
        }
    }

    void rawPixelsAreBottomUpAndTightlyPacked() {
        makePane({5, 3});
        const QImage bottomUp =
            test::taggedImage(5, 3).mirrored().convertToFormat(QImage::Format_BGR888);
        std::vector<std::uint8_t> pixels;
        for (int row = 0; row < 3; ++row) {
            pixels.insert(pixels.end(), bottomUp.constScanLine(row),
                          bottomUp.constScanLine(row) + 15);
        }
        pane->SetLive(true);
        QVERIFY(pane->SetImage(pixels.data(), 5, 3));
        QCOMPARE(hotSpot(), QPoint(10, 8));
        const auto expected = test::taggedFrame(5, 3);
        QVERIFY(std::equal(expected.begin(), expected.end(), pane->FramePicture().begin()));
        QVERIFY(!pane->SetImage(nullptr, 5, 3));
        QVERIFY(!pane->SetImage(QImage()));
    }
};

QTEST_MAIN(DispViewTest)
#include "disp_view_test.moc"
