// The Capture button end to end on the whole viewer and its virtual camera: the dialog, the
// active pane's picture in the file (read back by Qt's own decoders), the file in the gallery.
#include <QImageReader>

#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include "gallery/gallery_list.h"

#include "capture/capture_dialog.h"
#include "capture/frame_picture.h"
#include "modal_driver.h"
#include "resources/resource_ids.h"
#include "viewer_fixture.h"

namespace {

using viewer::test::kWait;
using viewer::test::Viewer;
using viewer::test::WhenModal;

// The part of a frame picture a capture holds, top row first.
QImage capturedPart(const QByteArray& frame) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.constData());
    const viewer::BitmapInfoHeader header =
        viewer::readHeader(std::span(bytes, viewer::kFrameHeaderBytes));
    const QImage whole = QImage(bytes + viewer::kFrameHeaderBytes, header.width, header.height,
                                int(viewer::rowStride(header.width)), QImage::Format_BGR888)
                             .mirrored();
    return header.width == 640 ? whole.copy(0, 0, 640, 480) : whole.copy(0, 32, header.width, 960);
}

double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int i = 0; i < x.width() * 3; ++i) {
            sum += std::abs(int(x.constScanLine(row)[i]) - int(y.constScanLine(row)[i]));
        }
    }
    return sum / (double(x.width()) * x.height() * 3);
}

}  // namespace

class CaptureSequenceTest : public QObject {
    Q_OBJECT

private slots:
    void captureSavesTheActivePicture_data() {
        QTest::addColumn<int>("resolution");
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<QString>("captureId");
        QTest::newRow("640 BMP") << 0 << false << "";
        QTest::newRow("640 JPG, ID with spaces") << 0 << true << "  LINE1 ";
        QTest::newRow("1280 BMP, ID") << 1 << false << "LINE1";
        QTest::newRow("1280 JPG") << 1 << true << "";
    }
    void captureSavesTheActivePicture() {
        QFETCH(int, resolution);
        QFETCH(bool, jpeg);
        QFETCH(QString, captureId);
        Viewer v;
        QVERIFY(v.waitLive(0));
        QString folder = v.config.GetGalleryFolder();
        QVERIFY(QDir().mkpath(folder));
        if (!captureId.isEmpty()) {
            folder += "/LINE1";
            QVERIFY(QDir().mkpath(folder));
            auto* idEdit = v.panel->findChild<QLineEdit*>("ID_1036");
            idEdit->setText(captureId);
            v.click(res::kIdButton);
        }
        if (resolution == 1) {
            auto* radio = v.panel->findChild<QRadioButton*>("ID_1033");
            QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
            QTRY_COMPARE_WITH_TIMEOUT(viewer::readHeader(v.pane(0)->FramePicture()).width, 1280,
                                      kWait);
        }
        v.click(res::kFreezeButton);  // the picture stays as it is saved
        const auto shown = v.pane(0)->FramePicture();
        const QByteArray frame(reinterpret_cast<const char*>(shown.data()),
                               qsizetype(shown.size()));

        QString proposed;
        WhenModal<CCaptureDialog> capture([&](CCaptureDialog* dialog) {
            proposed = dialog->findChild<QLineEdit*>("ID_1008")->text();
            if (jpeg) {
                dialog->findChild<QRadioButton*>("ID_1018")->click();
            }
            QTest::keyClick(dialog->findChild<QLineEdit*>("ID_1008"), Qt::Key_Return);
        });
        v.click(res::kCaptureButton);
        QVERIFY(capture.acted());
        QVERIFY(QRegularExpression(captureId.isEmpty() ? "^\\d{6}_\\d{6}$" : "^\\d{6}_001$")
                    .match(proposed)
                    .hasMatch());

        const QString name = proposed + (jpeg ? ".jpg" : ".bmp");
        QCOMPARE(QImageReader::imageFormat(folder + "/" + name), QByteArray(jpeg ? "jpeg" : "bmp"));
        QImageReader reader(folder + "/" + name);
        const QImage saved = reader.read();
        QVERIFY2(!saved.isNull(), qPrintable(reader.errorString()));
        const QImage expected = capturedPart(frame);
        QCOMPARE(saved.size(), expected.size());
        if (jpeg) {
            QVERIFY(meanDifference(saved, expected) < 3.0);
        } else {
            QCOMPARE(saved.convertToFormat(QImage::Format_RGB888),
                     expected.convertToFormat(QImage::Format_RGB888));
        }
        QVERIFY(v.messages.empty());

        // The gallery lists the new file last, selected and current.
        CGalleryList* gallery = v.view->GalleryList();
        const int last = gallery->model()->rowCount() - 1;
        QVERIFY(last >= 0);
        QCOMPARE(gallery->ItemName(last), name);
        QCOMPARE(gallery->SelectedCount(), 1);
        QCOMPARE(gallery->currentIndex().row(), last);
    }
};

QTEST_MAIN(CaptureSequenceTest)
#include "capture_sequence_test.moc"
