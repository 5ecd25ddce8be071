// Capture file names: the date-and-time name used without a capture ID, and the per-day counter
// names of a capture-ID folder. The clock and the settings files are passed in, so every rule can
// be exercised on any day. GUI thread (the counter file is read and written through CConfig).
#pragma once

#include <QDateTime>
#include <QString>

class CConfig;

namespace viewer {

// "yymmdd_HHMMSS" of `now`, e.g. 231207_142530.
QString DateTimeCaptureName(const QDateTime& now);

// The name the capture dialog proposes. Without a capture ID: DateTimeCaptureName(now); no file is
// touched. With one: "yymmdd_NNN" of today (NNN at least three digits), searching upwards from the
// number the ID folder's ID.ini holds for today (1 on a new day, or without the file) to the first
// number that is neither a .bmp nor a .jpg there. The number and the name are written back to
// ID.ini at once, so a cancelled capture leaves the same proposal for the next time.
QString ProposeCaptureName(const CConfig& config, const QString& captureId, const QDateTime& now);

// `text` without its leading and trailing space characters; other blanks are kept.
QString TrimSpaces(const QString& text);

// Whether a typed (already trimmed) name can name a capture file: not empty, and holding neither
// a path separator nor "..", so that the file cannot land outside the save folder.
bool IsUsableCaptureName(const QString& name);

// name + ".jpg" for kCaptureFormatJpg, name + ".bmp" otherwise.
QString CaptureFileName(const QString& name, int format);

}  // namespace viewer
