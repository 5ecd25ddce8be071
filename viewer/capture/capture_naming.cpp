#include "capture/capture_naming.h"

#include "capture/picture_file.h"
#include "config/config.h"

namespace viewer {

namespace {

QString counterName(const QString& dateText, int number) {
    return dateText + u'_' + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

}  // namespace

QString DateTimeCaptureName(const QDateTime& now) {
    return now.toString(QStringLiteral("yyMMdd_HHmmss"));
}

QString ProposeCaptureName(const CConfig& config, const QString& captureId, const QDateTime& now) {
    if (captureId.isEmpty()) {
        return DateTimeCaptureName(now);
    }
    const QString today = now.toString(QStringLiteral("yyMMdd"));
    // No upper bound: every number names a file, and a folder holds finitely many.
    int number = config.ReadCaptureCounter(captureId, today);
    QString name = counterName(today, number);
    while (config.CaptureNameExists(captureId, name)) {
        name = counterName(today, ++number);
    }
    config.WriteCaptureCounter(captureId, number, name);
    return name;
}

QString TrimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == u' ') {
        ++first;
    }
    while (end > first && text[end - 1] == u' ') {
        --end;
    }
    return text.sliced(first, end - first);
}

bool IsUsableCaptureName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') &&
           !name.contains(QStringLiteral(".."));
}

QString CaptureFileName(const QString& name, int format) {
    return name + (format == kCaptureFormatJpg ? QStringLiteral(".jpg") : QStringLiteral(".bmp"));
}

}  // namespace viewer
