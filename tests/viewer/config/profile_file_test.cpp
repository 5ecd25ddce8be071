#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <limits>
#include <memory>

#include "config/leading_int.h"
#include "config/profile_file.h"
#include "test_files.h"

class ProfileFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void readsValue_data();
    void readsValue();
    void writesValue_data();
    void writesValue();
    void refusesTextThatWouldBreakTheFile_data();
    void refusesTextThatWouldBreakTheFile();
    void writeIntoMissingFolderFails();
    void unreadableFileIsNotReplaced();
    void nonAsciiValueRoundTrips();
    void leadingInt_data();
    void leadingInt();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
};

void ProfileFileTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    path_ = dir_->filePath(QStringLiteral("settings.ini"));
}

void ProfileFileTest::readsValue_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QString>("expected");

    const QByteArray config = "CONFIG";
    const QByteArray dir = "DIR";
    QTest::newRow("plain") << QByteArray("[CONFIG]\nDIR=/data\n") << config << dir << 260
                           << "/data";
    QTest::newRow("names ignore case")
        << QByteArray("[config]\ndir=/data\n") << config << dir << 260 << "/data";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ CONFIG ]  \n\t DIR  =  /data  \n") << config << dir << 260 << "/data";
    QTest::newRow("CRLF lines") << QByteArray("[CONFIG]\r\nDIR=/data\r\n") << config << dir << 260
                                << "/data";
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\nDIR=/data\n") << config << dir << 260 << "/data";
    QTest::newRow("empty value is not missing")
        << QByteArray("[CONFIG]\nDIR=\n") << config << dir << 260 << "";
    QTest::newRow("missing key") << QByteArray("[CONFIG]\nLOGO=/l\n") << config << dir << 260
                                 << "default";
    QTest::newRow("key of another section")
        << QByteArray("[COLOR]\nDIR=/x\n[CONFIG]\nLOGO=/l\n") << config << dir << 260 << "default";
    QTest::newRow("key before any section")
        << QByteArray("DIR=/x\n[CONFIG]\n") << config << dir << 260 << "default";
    QTest::newRow("commented out")
        << QByteArray("[CONFIG]\n;DIR=/x\n") << config << dir << 260 << "default";
    QTest::newRow("first of repeated keys")
        << QByteArray("[CONFIG]\nDIR=/a\nDIR=/b\n") << config << dir << 260 << "/a";
    QTest::newRow("key in a repeated section")
        << QByteArray("[CONFIG]\nLOGO=/l\n[COLOR]\n[CONFIG]\nDIR=/b\n") << config << dir << 260
        << "/b";
    QTest::newRow("matching quotes dropped")
        << QByteArray("[CONFIG]\nDIR=\"/my data\"\n") << config << dir << 260 << "/my data";
    QTest::newRow("lone quote kept")
        << QByteArray("[CONFIG]\nDIR=\"/data\n") << config << dir << 260 << "\"/data";
    QTest::newRow("equals sign inside the value")
        << QByteArray("[CONFIG]\nDIR=/a=b\n") << config << dir << 260 << "/a=b";
    QTest::newRow("cut to the buffer") << QByteArray("[ID]\nLASTNUM=123456\n") << QByteArray("ID")
                                       << QByteArray("LASTNUM") << 5 << "1234";
    QTest::newRow("default cut to the buffer") << QByteArray("") << config << dir << 4 << "def";
}

void ProfileFileTest::readsValue() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(int, bufferSize);
    QFETCH(QString, expected);

    QVERIFY(writeTestFile(path_, content));
    QCOMPARE(viewer::readProfileString(path_, section, key, QStringLiteral("default"), bufferSize),
             expected);
}

void ProfileFileTest::writesValue_data() {
    QTest::addColumn<QByteArray>("before");  // empty: no file yet
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << QByteArray("CONFIG") << QByteArray("DIR")
                              << "/data" << QByteArray("[CONFIG]\nDIR=/data\n");
    QTest::newRow("replaced in place, other lines and key spelling kept")
        << QByteArray("; mine\n[CONFIG]\n  Dir = /old\nLOGO=/l\n") << QByteArray("CONFIG")
        << QByteArray("DIR") << "/new" << QByteArray("; mine\n[CONFIG]\nDir=/new\nLOGO=/l\n");
    QTest::newRow("added to its section before the blank line")
        << QByteArray("[CONFIG]\nDIR=/d\n\n[COLOR]\nBACKGROUND=1\n") << QByteArray("CONFIG")
        << QByteArray("LOGO") << "/l"
        << QByteArray("[CONFIG]\nDIR=/d\nLOGO=/l\n\n[COLOR]\nBACKGROUND=1\n");
    QTest::newRow("new section after a last line without newline")
        << QByteArray("[CONFIG]\nDIR=/d") << QByteArray("COLOR") << QByteArray("BACKGROUND")
        << "255" << QByteArray("[CONFIG]\nDIR=/d\n[COLOR]\nBACKGROUND=255\n");
    QTest::newRow("CRLF file stays CRLF")
        << QByteArray("[CONFIG]\r\nDIR=/d\r\n") << QByteArray("CONFIG") << QByteArray("LOGO")
        << "/l" << QByteArray("[CONFIG]\r\nDIR=/d\r\nLOGO=/l\r\n");
    QTest::newRow("names matched without case")
        << QByteArray("[config]\nDIR=/d\n") << QByteArray("CONFIG") << QByteArray("dir") << "/e"
        << QByteArray("[config]\nDIR=/e\n");
    QTest::newRow("key set where a read finds it")
        << QByteArray("[A]\nX=1\n[B]\n[A]\nY=2\n") << QByteArray("A") << QByteArray("Y") << "3"
        << QByteArray("[A]\nX=1\n[B]\n[A]\nY=3\n");
    QTest::newRow("foreign bytes and byte order mark kept")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\nLOGO=C:\\Bilder\\\xE4.bmp\n") << QByteArray("CONFIG")
        << QByteArray("DIR") << "/d"
        << QByteArray("\xEF\xBB\xBF[CONFIG]\nLOGO=C:\\Bilder\\\xE4.bmp\nDIR=/d\n");
    QTest::newRow("empty value") << QByteArray("[CONFIG]\nSKIN=/s.bmp\n") << QByteArray("CONFIG")
                                 << QByteArray("SKIN") << "" << QByteArray("[CONFIG]\nSKIN=\n");
}

void ProfileFileTest::writesValue() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    if (!before.isEmpty()) {
        QVERIFY(writeTestFile(path_, before));
    }
    QVERIFY(viewer::writeProfileString(path_, section, key, value));
    QCOMPARE(readTestFile(path_), after);
    QCOMPARE(viewer::readProfileString(path_, section, key, QStringLiteral("absent"), 260), value);
}

void ProfileFileTest::refusesTextThatWouldBreakTheFile_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("line feed in value")
        << QByteArray("CONFIG") << QByteArray("SKIN") << "/a\n[MODE1_640X480]\nHUE=9";
    QTest::newRow("carriage return in value")
        << QByteArray("CONFIG") << QByteArray("SKIN") << "/a\rb";
    QTest::newRow("bracket in section") << QByteArray("A]B") << QByteArray("SKIN") << "/a";
    QTest::newRow("equals sign in key") << QByteArray("CONFIG") << QByteArray("K=V") << "/a";
    QTest::newRow("empty key") << QByteArray("CONFIG") << QByteArray() << "/a";
}

void ProfileFileTest::refusesTextThatWouldBreakTheFile() {
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QString, value);

    const QByteArray before = "[CONFIG]\nDIR=/d\n";
    QVERIFY(writeTestFile(path_, before));
    QVERIFY(!viewer::writeProfileString(path_, section, key, value));
    QCOMPARE(readTestFile(path_), before);
}

void ProfileFileTest::writeIntoMissingFolderFails() {
    const QString path = dir_->filePath(QStringLiteral("missing/config.ini"));
    QVERIFY(!viewer::writeProfileString(path, "CONFIG", "CONFIG", QStringLiteral("1")));
    QVERIFY(!QDir(dir_->filePath(QStringLiteral("missing"))).exists());
    QCOMPARE(viewer::readProfileString(path, "CONFIG", "CONFIG", QStringLiteral("0"), 10),
             QStringLiteral("0"));
}

void ProfileFileTest::unreadableFileIsNotReplaced() {
    const QByteArray before = "[CONFIG]\nDIR=/d\n";
    QVERIFY(writeTestFile(path_, before));
    QVERIFY(QFile::setPermissions(path_, QFileDevice::WriteOwner));
    if (QFile file(path_); file.open(QIODevice::ReadOnly)) {
        QSKIP("file permissions are not enforced for this user");
    }
    QVERIFY(!viewer::writeProfileString(path_, "CONFIG", "LOGO", QStringLiteral("/l")));
    QVERIFY(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readTestFile(path_), before);
}

void ProfileFileTest::nonAsciiValueRoundTrips() {
    const QString value = QStringLiteral("/home/jürgen/Bilder/Hintergrund 😀.jpg");
    QVERIFY(viewer::writeProfileString(path_, "CONFIG", "SKIN", value));
    QVERIFY(viewer::writeProfileString(path_, "CONFIG", "DIR", QStringLiteral("/d")));
    QCOMPARE(viewer::readProfileString(path_, "CONFIG", "SKIN", QString(), 260), value);
    // A cut never leaves half of a character that needs two UTF-16 units.
    const qsizetype emoji = value.indexOf(QStringLiteral("😀"));
    QCOMPARE(
        viewer::readProfileString(path_, "CONFIG", "SKIN", QString(), static_cast<int>(emoji) + 2),
        value.left(emoji));
}

void ProfileFileTest::leadingInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("digits") << "1200" << 1200;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("blanks and minus") << " \t-150" << -150;
    QTest::newRow("plus") << "+3" << 3;
    QTest::newRow("trailing text") << "12abc" << 12;
    QTest::newRow("no number") << "abc" << 0;
    QTest::newRow("capital No") << "No" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blank after sign") << "- 5" << 0;
    QTest::newRow("largest int") << "2147483647" << std::numeric_limits<int>::max();
    QTest::newRow("too large") << "99999999999999999999" << std::numeric_limits<int>::max();
    QTest::newRow("smallest int") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("too small") << "-99999999999999999999" << std::numeric_limits<int>::min();
}

void ProfileFileTest::leadingInt() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(viewer::leadingInt(text), expected);
}

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "profile_file_test.moc"
