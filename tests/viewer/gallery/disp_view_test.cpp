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

std::vector<std::uint8_t> solidFrame(QRgb colour) {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(colour);
    auto block = test::taggedFrame(640, 480);
    for (std::size_t i = viewer::kFrameHeaderBytes; i < block.size(); i += 3) {
        block[i] = static_cast<std::uint8_t>(qBlue(colour));
        block[i + 1] = static_cast<std::uint8_t>(qGreen(colour));
        block[i + 2] = static_cast<std::uint8_t>(qRed(colour));
    }
    return block;
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
    void showTagged(int width, int height) {
        const auto frame = test::taggedFrame(width, height);
        QVERIFY(pane->ShowFrame(frame.data(), frame.size()));
    }

private slots:
    void cleanup() {
        pane.reset();
        owner.reset();
    }

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

    void cursorFollowsLiveState() {
        makePane({320, 240});
        const auto hotSpot = [this] { return pane->viewport()->cursor().hotSpot(); };
        QCOMPARE(pane->viewport()->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(hotSpot(), QPoint(10, 8));
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, {10, 10});
        QCOMPARE(hotSpot(), QPoint(18, 14));
        QVERIFY(pane->ShowFrame(nullptr, 0));
        QCOMPARE(hotSpot(), QPoint(10, 8));
        pane->SetLive(true);
        QCOMPARE(hotSpot(), QPoint(18, 14));
        QVERIFY(pane->SetImage(test::taggedImage(8, 8)));
        QCOMPARE(hotSpot(), QPoint(10, 8));
    }

    void holdDropsFramesUntilItEnds() {
        makePane({320, 240});
        const auto red = solidFrame(qRgb(200, 0, 0));
        const auto green = solidFrame(qRgb(0, 200, 0));
        QVERIFY(pane->ShowFrame(red.data(), red.size()));
        pane->Hold();
        QVERIFY(!pane->ShowFrame(green.data(), green.size()));
        QCOMPARE(painted(*pane).pixel(160, 120), qRgb(200, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!pane->IsHolding(), 10000);
        QVERIFY(pane->ShowFrame(green.data(), green.size()));
        QCOMPARE(painted(*pane).pixel(160, 120), qRgb(0, 200, 0));
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

    void stretchesOverThePane() {
        makePane({1000, 700});
        showTagged(640, 480);
        const QImage shot = painted(*pane);
        QVERIFY(test::sourceOf(shot.pixel(3, 3)).manhattanLength() <= 4);
        const QPoint far = test::sourceOf(shot.pixel(996, 696));
        QVERIFY(far.x() >= 636 && far.y() >= 476);
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

    void rawPixelsAreBottomUpAndTightlyPacked() {
        makePane({5, 3});
        // 5 x 3 pixels, 15 bytes a row, bottom row first.
        std::vector<std::uint8_t> pixels;
        for (int row = 2; row >= 0; --row) {
            for (int x = 0; x < 5; ++x) {
                const QRgb tag = test::tagOf(x, row);
                pixels.insert(pixels.end(), {static_cast<std::uint8_t>(qBlue(tag)),
                                             static_cast<std::uint8_t>(qGreen(tag)),
                                             static_cast<std::uint8_t>(qRed(tag))});
            }
        }
        QVERIFY(pane->SetImage(pixels.data(), 5, 3));
        const auto block = pane->FramePicture();
        const auto header = viewer::readHeader(block);
        QCOMPARE(QSize(header.width, header.height), QSize(5, 3));
        // Top row of the picture is the last stored row, at the padded stride of 16.
        const std::uint8_t* top = block.data() + viewer::kFrameHeaderBytes + 2 * 16;
        QCOMPARE(qRgb(top[14], top[13], top[12]), test::tagOf(4, 0));
        QVERIFY(!pane->SetImage(nullptr, 5, 3));
        QVERIFY(!pane->SetImage(QImage()));
    }

    void printPictureKeepsItsCaption() {
        makePane({320, 240});
        pane->PrintPicture().SetCaption("Pane 1");
        showTagged(1280, 1024);
        QVERIFY(pane->MakePrintPicture());
        QCOMPARE(QSize(pane->PrintPicture().Width(), pane->PrintPicture().Height()),
                 QSize(1280, 960));
        QCOMPARE(pane->PrintPicture().Caption(), QString("Pane 1"));
        QVERIFY(pane->PrintPicture().Palette().isEmpty());
    }
};

QTEST_MAIN(DispViewTest)
#include "disp_view_test.moc"
