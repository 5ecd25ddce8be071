// Profile-string access to INI files: "[section]" lines and "key=value" lines, names compared
// without regard to ASCII case, every value text. Each call reads or rewrites the file; nothing is
// cached, so hand edits and other writers are seen at the next read.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <span>

namespace viewer {

// The value of `key` in `section` of the file at `path`, or `defaultValue` when the file, section
// or key is missing. Blanks around the value are dropped, as is one pair of matching quotes
// around it. A key present with an empty value reads as "". The result is cut to
// `bufferSize` - 1 characters, as a fixed read buffer of that size would cut it.
QString readProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                          const QString& defaultValue, int bufferSize);

// Sets `key` in `section` to `value`, creating the file, the section or the key as needed and
// keeping every other line as it was. The file is replaced whole (see file_replacement.h).
// Returns false, leaving the file untouched, when the file cannot be read or written (a missing
// folder, a full disk or a folder where no file can be made beside it included) or when a name or
// the value would break the line structure (line breaks; "]" in a section name; "=" in a key).
bool writeProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                        const QString& value);

struct ProfileEntry {
    QByteArrayView key;
    QString value;
};

// Sets several keys of one section in one replacement of the file, so that no reader, and no
// crash, ever sees some of them changed and others not. False, leaving the file untouched, as
// for writeProfileString when any entry is refused.
bool writeProfileStrings(const QString& path, QByteArrayView section,
                         std::span<const ProfileEntry> entries);

}  // namespace viewer
