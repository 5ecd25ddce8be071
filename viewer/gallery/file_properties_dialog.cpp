#include "gallery/file_properties_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {

QString dateText(const QDateTime& time) {
    return time.isValid() ? QLocale().toString(time.toLocalTime(), QLocale::LongFormat)
                          : QStringLiteral("-");
}

}  // namespace

CFilePropertiesDialog::CFilePropertiesDialog(const QString& path, QWidget* parent)
    : QDialog(parent) {
    const QFileInfo info(path);
    setWindowTitle(info.fileName() + QStringLiteral(" Properties"));
    QImageReader reader(path);
    const QSize pixels = reader.size();
    const QString format = QString::fromLatin1(reader.format()).toUpper();

    auto* form = new QFormLayout;
    const auto addRow = [&](const char* name, const QString& caption, const QString& value) {
        auto* label = new QLabel(value, this);
        label->setObjectName(QLatin1String(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption, label);
    };
    addRow("name", QStringLiteral("Name:"), info.fileName());
    addRow("folder", QStringLiteral("Folder:"), QDir::toNativeSeparators(info.absolutePath()));
    addRow("size", QStringLiteral("Size:"),
           QStringLiteral("%1 (%2 bytes)")
               .arg(QLocale().formattedDataSize(info.size()), QLocale().toString(info.size())));
    addRow("created", QStringLiteral("Created:"), dateText(info.birthTime()));
    addRow("modified", QStringLiteral("Modified:"), dateText(info.lastModified()));
    addRow("accessed", QStringLiteral("Accessed:"), dateText(info.lastRead()));
    addRow("pixels", QStringLiteral("Pixels:"),
           pixels.isValid() ? QStringLiteral("%1 x %2").arg(pixels.width()).arg(pixels.height())
                            : QStringLiteral("-"));
    addRow("format", QStringLiteral("Format:"),
           format.isEmpty() ? QStringLiteral("not a readable picture") : format);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}
