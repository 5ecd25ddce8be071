#include "config/profile_file.h"

#include <QFile>
#include <QList>

#include "config/file_replacement.h"

namespace viewer {

namespace {

constexpr QByteArrayView kUtf8Bom{"\xEF\xBB\xBF"};

struct ParsedLine {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    QByteArray name;
    QByteArray value;
};

// The file as raw lines, each with the line end it had, so that lines we do not change are
// written back byte for byte, whatever their encoding. LF, CRLF and the CR of old editors all end
// a line; new lines take the file's first line end.
struct ProfileLine {
    QByteArray text;
    QByteArray end;  // empty only for a last line without one
};

struct ProfileLines {
    QList<ProfileLine> lines;
    QByteArray newline = "\n";
};

ProfileLines splitLines(const QByteArray& content) {
    ProfileLines result;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype at = start;
        while (at < content.size() && content[at] != '\n' && content[at] != '\r') {
            ++at;
        }
        qsizetype endLength = 0;
        if (at < content.size()) {
            endLength =
                content[at] == '\r' && at + 1 < content.size() && content[at + 1] == '\n' ? 2 : 1;
        }
        ProfileLine line{content.sliced(start, at - start), content.sliced(at, endLength)};
        if (result.lines.isEmpty() && endLength > 0) {
            result.newline = line.end;
        }
        result.lines.append(std::move(line));
        start = at + endLength;
    }
    return result;
}

QByteArray joinLines(const ProfileLines& file) {
    QByteArray bytes;
    for (const ProfileLine& line : file.lines) {
        bytes += line.text + (line.end.isEmpty() ? file.newline : line.end);
    }
    return bytes;
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

// Sets the key where a read would find it; a new key goes after the last non-blank line of the
// first section of that name, so blank lines stay in front of the next section.
void setKey(ProfileLines& content, QByteArrayView section, QByteArrayView key,
            const QByteArray& value) {
    qsizetype insertAfter = -1;
    bool inSection = false;
    bool inFirstSection = false;
    for (qsizetype i = 0; i < content.lines.size(); ++i) {
        const ParsedLine line = parseLine(content.lines[i].text, i == 0);
        if (line.kind == ParsedLine::Kind::Section) {
            inSection = sameName(line.name, section);
            inFirstSection = inSection && insertAfter < 0;
            if (inFirstSection) {
                insertAfter = i;
            }
        } else if (inSection && line.kind == ParsedLine::Kind::Key && sameName(line.name, key)) {
            content.lines[i].text = line.name + '=' + value;
            return;
        } else if (inFirstSection && !content.lines[i].text.trimmed().isEmpty()) {
            insertAfter = i;
        }
    }
    ProfileLine keyLine{key.toByteArray() + '=' + value, content.newline};
    if (insertAfter >= 0) {
        content.lines.insert(insertAfter + 1, std::move(keyLine));
    } else {
        content.lines.append({'[' + section.toByteArray() + ']', content.newline});
        content.lines.append(std::move(keyLine));
    }
}

}  // namespace

QString readProfileString(const QString& path, QByteArrayView section, QByteArrayView key,
                          const QString& defaultValue, int bufferSize) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const ProfileLines content = splitLines(file.readAll());
        bool inSection = false;
        for (qsizetype i = 0; i < content.lines.size(); ++i) {
            const ParsedLine line = parseLine(content.lines[i].text, i == 0);
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
    const ProfileEntry entry{key, value};
    return writeProfileStrings(path, section, std::span(&entry, 1));
}

bool writeProfileStrings(const QString& path, QByteArrayView section,
                         std::span<const ProfileEntry> entries) {
    if (section.isEmpty() || breaksLine(section) || section.contains(']')) {
        return false;
    }
    for (const ProfileEntry& entry : entries) {
        const QByteArrayView key = entry.key;
        if (key.isEmpty() || breaksLine(key) || breaksLine(entry.value.toUtf8()) ||
            key.contains('=') || key.startsWith('[') || key.startsWith(';')) {
            return false;
        }
    }

    ProfileLines content;
    if (QFile existing(path); existing.exists()) {
        // A file we cannot read must not be replaced by one holding only the new keys.
        if (!existing.open(QIODevice::ReadOnly)) {
            return false;
        }
        content = splitLines(existing.readAll());
        if (existing.error() != QFileDevice::NoError) {
            return false;
        }
    }
    for (const ProfileEntry& entry : entries) {
        setKey(content, section, entry.key, entry.value.toUtf8());
    }
    // One replacement for all the keys: a reader sees all of them changed or none.
    return replaceFile(path, joinLines(content));
}

}  // namespace viewer
