#include "config/file_replacement.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

namespace viewer {

namespace {

constexpr int kSuffixLength = 6;

QByteArray nativeName(const QString& path) {
    return QFile::encodeName(path);
}

bool isSuffixCharacter(QChar c) {
    return c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// True for "<stem>.XXXXXX" where the stem is a file of the target's kind.
bool isTemporaryName(const QString& name, const QString& targetName) {
    if (name.size() <= kSuffixLength + 1 || name[name.size() - kSuffixLength - 1] != u'.') {
        return false;
    }
    for (qsizetype i = name.size() - kSuffixLength; i < name.size(); ++i) {
        if (!isSuffixCharacter(name[i])) {
            return false;
        }
    }
    const QString stem = name.left(name.size() - kSuffixLength - 1);
    const QString extension = QFileInfo(targetName).suffix();
    return extension.isEmpty() ? stem == targetName
                               : stem.endsWith(u'.' + extension, Qt::CaseInsensitive);
}

// A temporary file nobody holds locked was left by a writer that died before its rename.
void removeStaleTemporaries(const QString& folder, const QString& targetName) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTemporaryName(name, targetName)) {
            continue;
        }
        const QByteArray path = nativeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.constData());
        }
        ::close(fd);
    }
}

QString resolvedTarget(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        return info.absoluteFilePath();
    }
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;  // a dangling link's target
}

}  // namespace

FileReplacement::FileReplacement(QString path) : target_(resolvedTarget(path)) {}

FileReplacement::~FileReplacement() {
    temporary_.close();
    if (!committed_ && !temporaryPath_.isEmpty()) {
        ::unlink(nativeName(temporaryPath_).constData());
    }
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

bool FileReplacement::open() {
    if (descriptor_ >= 0 || target_.isEmpty()) {
        return false;
    }
    struct stat status {};
    if (::lstat(nativeName(target_).constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return false;
    }
    const QFileInfo target(target_);
    removeStaleTemporaries(target.path(), target.fileName());

    static constexpr char kCharacters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        QString candidate = target_ + u'.';
        for (int i = 0; i < kSuffixLength; ++i) {
            candidate += QChar(kCharacters[QRandomGenerator::global()->bounded(62)]);
        }
        // 0666 before the umask, as for any file the user makes.
        descriptor_ = ::open(nativeName(candidate).constData(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            temporaryPath_ = candidate;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    if (descriptor_ < 0 || ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    return temporary_.open(descriptor_, QIODevice::WriteOnly | QIODevice::Unbuffered,
                           QFileDevice::DontCloseHandle);
}

bool FileReplacement::commit() {
    if (descriptor_ < 0 || committed_ || temporary_.error() != QFileDevice::NoError) {
        return false;
    }
    temporary_.close();
    // A disk that fills up may report it only here.
    if (::fsync(descriptor_) != 0) {
        return false;
    }
    if (struct stat old{}; ::stat(nativeName(target_).constData(), &old) == 0) {
        ::fchmod(descriptor_, old.st_mode & 07777);
    }
    // Renamed while still locked, so no other writer takes it for a stale file meanwhile.
    if (::rename(nativeName(temporaryPath_).constData(), nativeName(target_).constData()) != 0) {
        return false;
    }
    committed_ = true;
    return true;
}

bool replaceFile(const QString& path, QByteArrayView bytes) {
    FileReplacement file(path);
    return file.open() && file.device().write(bytes.data(), bytes.size()) == bytes.size() &&
           file.commit();
}

}  // namespace viewer
