#include "config/profile_file.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

namespace viewer {

namespace {

constexpr QByteArrayView kUtf8Bom{"\xEF\xBB\xBF"};

struct ParsedLine {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    QByteArray name;
    QByteArray value;
};

// The file as raw lines (without '\n'), so that lines we do not change are written back byte
// for byte, whatever their encoding.
struct ProfileLines {
    QList<QByteArray> lines;
    bool crlf = false;
};

ProfileLines splitLines(QByteArray content) {
    ProfileLines result;
    if (content.isEmpty()) {
        return result;
    }
    if (content.endsWith('\n')) {
        content.chop(1);
    }
    result.lines = content.split('\n');
    result.crlf = result.lines.first().endsWith('\r');
    return result;
}

QByteArray joinLines(const ProfileLines& file) {
    if (file.lines.isEmpty()) {
        return {};
    }
    return file.lines.join('\n') + '\n';
}

ParsedLine parseLine(QByteArrayView raw, bool firstLine) {
    if (firstLine && raw.startsWith(kUtf8Bom)) {
        raw = raw.sliced(kUtf8Bom.size());
    }
    const QByteArray line = raw.toByteArray().trimmed();
    if (line.startsWith('[')) {
        const qsizetype end = line.indexOf(']');
        return {ParsedLine::Kind::Section, line.mid(1, end < 0 ? -1 : end - 1).trimmed(), {}};
    }
    const qsizetype equals = line.indexOf('=');
    if (line.startsWith(';') || equals <= 0) {
        return {};
    }
    return {ParsedLine::Kind::Key, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()};
}

bool sameName(const QByteArray& a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray unquoted(const QByteArray& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.sliced(1, value.size() - 2);
    }
    return value;
}

QString cutToBuffer(QString text, int bufferSize) {
    const qsizetype room = bufferSize > 0 ? bufferSize - 1 : 0;
    if (text.size() > room) {
        text.truncate(room);
        // Never leave half of a surrogate pair behind.
        if (!text.isEmpty() && text.back().isHighSurrogate()) {
            text.chop(1);
        }
    }
    return text;
}

bool breaksLine(QByteArrayView text) {
    return text.contains('\n') || text.contains('\r');
}

}  // namespace

QString readProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                          const QString& defaultValue, int bufferSize) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const ProfileLines content = splitLines(file.readAll());
        bool inSection = false;
        for (qsizetype i = 0; i < content.lines.size(); ++i) {
            const ParsedLine line = parseLine(content.lines[i], i == 0);
            if (line.kind == ParsedLine::Kind::Section) {
                inSection = sameName(line.name, section);
            } else if (inSection && line.kind == ParsedLine::Kind::Key &&
                       sameName(line.name, key)) {
                return cutToBuffer(QString::fromUtf8(unquoted(line.value)), bufferSize);
            }
        }
    }
    return cutToBuffer(defaultValue, bufferSize);
}

bool writeProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                        const QString& value) {
    const QByteArray valueBytes = value.toUtf8();
    if (section.isEmpty() || key.isEmpty() || breaksLine(section) || breaksLine(key) ||
        breaksLine(valueBytes) || section.contains(']') || key.contains('=') ||
        key.startsWith('[') || key.startsWith(';')) {
        return false;
    }

    ProfileLines content;
    if (QFile existing(path); existing.exists()) {
        // A file we cannot read must not be replaced by one holding only the new key.
        if (!existing.open(QIODevice::ReadOnly)) {
            return false;
        }
        content = splitLines(existing.readAll());
    }
    const QByteArray lineEnd = content.crlf ? "\r" : "";

    // The key is set where a read would find it; a new key goes after the last non-blank line of
    // the first section of that name, so blank lines stay in front of the next section.
    qsizetype insertAfter = -1;
    bool inSection = false;
    bool inFirstSection = false;
    bool replaced = false;
    for (qsizetype i = 0; i < content.lines.size() && !replaced; ++i) {
        const ParsedLine line = parseLine(content.lines[i], i == 0);
        if (line.kind == ParsedLine::Kind::Section) {
            inSection = sameName(line.name, section);
            inFirstSection = inSection && insertAfter < 0;
            if (inFirstSection) {
                insertAfter = i;
            }
        } else if (inSection && line.kind == ParsedLine::Kind::Key && sameName(line.name, key)) {
            content.lines[i] = line.name + '=' + valueBytes + lineEnd;
            replaced = true;
        } else if (inFirstSection && !content.lines[i].trimmed().isEmpty()) {
            insertAfter = i;
        }
    }
    if (!replaced) {
        const QByteArray keyLine = key.toByteArray() + '=' + valueBytes + lineEnd;
        if (insertAfter >= 0) {
            content.lines.insert(insertAfter + 1, keyLine);
        } else {
            content.lines.append('[' + section.toByteArray() + ']' + lineEnd);
            content.lines.append(keyLine);
        }
    }

    // Written aside and renamed into place, so a failed write never leaves a cut-off file.
    QSaveFile out(path);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = joinLines(content);
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
    }
    return out.commit();
}

}  // namespace viewer
