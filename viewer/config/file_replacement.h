// Replacing a file whole or not at all.
//
// The new content goes to a temporary file beside the target, written without buffering so that
// every failed write (a full disk, a size limit) is seen, flushed to the disk and then renamed
// over the target. Any failure leaves the old file as it was and removes the temporary file;
// where no temporary file can be made beside the target the replacement fails rather than
// rewriting the target in place. A symbolic link is written through to its target.
//
// Temporary files are named <target>.XXXXXX (six letters or digits) and locked while in use.
// Opening a replacement removes unlocked ones of that naming left in the folder by a writer that
// was killed, for every file of the target's kind (same extension).
#pragma once

#include <QFile>
#include <QString>

namespace viewer {

class FileReplacement {
public:
    explicit FileReplacement(QString path);
    ~FileReplacement();  // removes the temporary file unless committed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary file. False when the target exists and is not a regular file, or no
    // temporary file can be made beside it.
    bool open();
    // The temporary file, unbuffered; valid after a successful open().
    QIODevice& device() { return temporary_; }
    // Flushes the temporary file to the disk and renames it over the target, keeping the old
    // file's permissions. False, with the old file kept, when any write or this step failed.
    bool commit();

private:
    QString target_;
    QString temporaryPath_;
    QFile temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
};

// Replaces the file at `path` with `bytes` through a FileReplacement.
bool replaceFile(const QString& path, QByteArrayView bytes);

}  // namespace viewer
