// The main view's printing: the panes of the current layout on one landscape page of the default
// printer.
#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>
#include <optional>

#include "capture/print_page.h"
#include "controls/control_panel.h"
#include "controls/message_box.h"
#include "controls/wait_cursor.h"
#include "gallery/disp_view.h"
#include "resources/resource_ids.h"
#include "view/main_view.h"

namespace {

// Captions are 10 point; outlines 1 point, since a one-dot line all but vanishes on paper.
constexpr int kCaptionTwips = 200;
constexpr int kOutlineTwips = 20;

std::optional<QPrinterInfo> defaultPrinter() {
    // Asking the spooler may take a moment.
    const viewer::WaitCursor wait;
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        return std::nullopt;
    }
    return info;
}

// The default printer set to landscape, after the user has confirmed it in the print set-up
// dialog; none when there is no default printer (said) or the user cancels (silent). The printer
// is asked for again at each press, so nothing of an earlier choice is kept.
std::unique_ptr<QPrinter> GetPrinterContext(QWidget* owner) {
    const std::optional<QPrinterInfo> info = defaultPrinter();
    if (!info) {
        viewer::ShowMessage(owner, QStringLiteral("Cannot find any default print device!"),
                            QMessageBox::Warning, QMessageBox::Ok, QStringLiteral("Warning"));
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(*info, QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Landscape);
    QPrintDialog setup(printer.get(), owner);
    // One page, always: nothing to choose about ranges or selections.
    setup.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (setup.exec() != QDialog::Accepted) {
        return nullptr;
    }
    return printer;
}

}  // namespace

void CNKestrumViewerView::PrintCommand() {
    if (const std::unique_ptr<QPrinter> printer = GetPrinterContext(panel_)) {
        PrintOn(*printer);
    }
}

void CNKestrumViewerView::PrintOn(QPrinter& printer) {
    printer.setDocName(QString::fromLatin1(res::kAppTitle));
    QPainter page;
    if (!page.begin(&printer)) {
        viewer::ShowMessage(panel_, QStringLiteral("Can not print!"), QMessageBox::NoIcon,
                            QMessageBox::Ok, QStringLiteral("Error"));
        return;
    }
    DrawPage(page);
    page.end();
}

void CNKestrumViewerView::DrawPage(QPainter& page) {
    const QPaintDevice& device = *page.device();
    page.save();
    page.scale(device.logicalDpiX() / double{viewer::kTwipsPerInch},
               device.logicalDpiY() / double{viewer::kTwipsPerInch});
    // Pictures are stretched without smoothing, pixel for pixel, as the pane shows them.
    page.setRenderHint(QPainter::SmoothPixmapTransform, false);
    page.setPen(QPen(Qt::black, kOutlineTwips));
    page.setBrush(Qt::NoBrush);
    QFont font = page.font();
    font.setPixelSize(kCaptionTwips);
    page.setFont(font);

    const int layout = ScreenLayout();
    for (const viewer::PrintSlot& slot : viewer::PrintSlotsOf(layout)) {
        CDispView* pane = panes_[static_cast<std::size_t>(slot.pane)];
        pane->MakePrintPicture();
        CPackedDib& picture = pane->PrintPicture();
        const QImage image = pane->HasPicture() ? picture.ToImage() : QImage();
        const QRect target = viewer::TopDown(slot.picture);
        if (!image.isNull()) {
            page.drawImage(target, image,
                           viewer::PrintSourceRect(layout, image.size(), pane->ScrollPosition()));
        } else {
            page.drawRect(target);
        }
        if (picture.Caption().isEmpty()) {
            picture.SetCaption(QString::fromLatin1(slot.defaultCaption));
        }
        page.drawText(
            QRect(viewer::TopDown(slot.caption), QSize(target.width(), kCaptionTwips * 2)),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, picture.Caption());
    }
    page.restore();
}
