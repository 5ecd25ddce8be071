// Whole-file reads and writes for the settings-file tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

inline bool writeTestFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A null QByteArray when the file cannot be read.
inline QByteArray readTestFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
