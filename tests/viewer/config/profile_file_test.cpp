#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <limits>
#include <memory>

#include "config/leading_int.h"
#include "config/profile_file.h"
#include "file_size_limit.h"
#include "permissions_enforced.h"
#include "test_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    void failedWritesLeaveNothingBehind();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void staleTemporaryFilesAreRemoved();
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
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<QString>("expected");  // of [CONFIG] DIR, default "default"

    QTest::newRow("names ignore case") << QByteArray("[config]\ndir=/data\n") << 260 << "/data";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ CONFIG ]  \n\t DIR  =  /a=b  \n") << 260 << "/a=b";
    QTest::newRow("CRLF and byte order mark")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\r\nDIR=/data\r\n") << 260 << "/data";
    QTest::newRow("CR-only line ends of an old editor")
        << QByteArray("[COLOR]\rX=1\r[CONFIG]\rDIR=/data\r") << 260 << "/data";
    QTest::newRow("empty value is not missing") << QByteArray("[CONFIG]\nDIR=\n") << 260 << "";
    QTest::newRow("key of another section")
        << QByteArray("DIR=/x\n[COLOR]\nDIR=/y\n[CONFIG]\n;DIR=/z\n") << 260 << "default";
    QTest::newRow("first of repeated keys, in a repeated section")
        << QByteArray("[CONFIG]\nLOGO=/l\n[COLOR]\n[CONFIG]\nDIR=/a\nDIR=/b\n") << 260 << "/a";
    QTest::newRow("matching quotes dropped")
        << QByteArray("[CONFIG]\nDIR=\"/my data\"\n") << 260 << "/my data";
    QTest::newRow("cut to the buffer") << QByteArray("[CONFIG]\nDIR=123456\n") << 5 << "1234";
    QTest::newRow("default cut too") << QByteArray() << 4 << "def";
}

void ProfileFileTest::readsValue() {
    QFETCH(QByteArray, content);
    QFETCH(int, bufferSize);
    QFETCH(QString, expected);

    QVERIFY(writeTestFile(path_, content));
    QCOMPARE(
        viewer::readProfileString(path_, "CONFIG", "DIR", QStringLiteral("default"), bufferSize),
        expected);
}

void ProfileFileTest::writesValue_data() {
    QTest::addColumn<QByteArray>("before");  // empty: no file yet
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("after");  // with the value "/v"

    QTest::newRow("new file") << QByteArray() << QByteArray("CONFIG") << QByteArray("DIR")
                              << QByteArray("[CONFIG]\nDIR=/v\n");
    QTest::newRow("replaced in place, other lines and key spelling kept")
        << QByteArray("; mine\n[config]\n  Dir = /old\nLOGO=/l\n") << QByteArray("CONFIG")
        << QByteArray("DIR") << QByteArray("; mine\n[config]\nDir=/v\nLOGO=/l\n");
    QTest::newRow("added to its section before the blank line")
        << QByteArray("[CONFIG]\nDIR=/d\n\n[COLOR]\nBACKGROUND=1\n") << QByteArray("CONFIG")
        << QByteArray("LOGO") << QByteArray("[CONFIG]\nDIR=/d\nLOGO=/v\n\n[COLOR]\nBACKGROUND=1\n");
    QTest::newRow("new section after a last line without newline")
        << QByteArray("[CONFIG]\nDIR=/d") << QByteArray("COLOR") << QByteArray("BACKGROUND")
        << QByteArray("[CONFIG]\nDIR=/d\n[COLOR]\nBACKGROUND=/v\n");
    QTest::newRow("CRLF file stays CRLF")
        << QByteArray("[CONFIG]\r\nDIR=/d\r\n") << QByteArray("CONFIG") << QByteArray("LOGO")
        << QByteArray("[CONFIG]\r\nDIR=/d\r\nLOGO=/v\r\n");
    QTest::newRow("CR file stays CR")
        << QByteArray("[CONFIG]\rDIR=/d\r") << QByteArray("CONFIG") << QByteArray("LOGO")
        << QByteArray("[CONFIG]\rDIR=/d\rLOGO=/v\r");
    QTest::newRow("key set where a read finds it")
        << QByteArray("[A]\nX=1\n[B]\n[A]\nY=2\n") << QByteArray("A") << QByteArray("Y")
        << QByteArray("[A]\nX=1\n[B]\n[A]\nY=/v\n");
    QTest::newRow("foreign bytes and byte order mark kept")
        << QByteArray("\xEF\xBB\xBF[CONFIG]\nLOGO=C:\\\xE4.bmp\n") << QByteArray("CONFIG")
        << QByteArray("DIR") << QByteArray("\xEF\xBB\xBF[CONFIG]\nLOGO=C:\\\xE4.bmp\nDIR=/v\n");
}

void ProfileFileTest::writesValue() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, after);

    if (!before.isEmpty()) {
        QVERIFY(writeTestFile(path_, before));
    }
    QVERIFY(viewer::writeProfileString(path_, section, key, QStringLiteral("/v")));
    QCOMPARE(readTestFile(path_), after);
    QCOMPARE(viewer::readProfileString(path_, section, key, QString(), 260), QStringLiteral("/v"));
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

void ProfileFileTest::failedWritesLeaveNothingBehind() {
    const QString missing = dir_->filePath(QStringLiteral("missing/config.ini"));
    QVERIFY(!viewer::writeProfileString(missing, "CONFIG", "CONFIG", QStringLiteral("1")));
    QVERIFY(!QDir(dir_->filePath(QStringLiteral("missing"))).exists());

    // A file that cannot be read must not be replaced by one holding only the new key.
    const QByteArray before = "[CONFIG]\nDIR=/d\n";
    QVERIFY(writeTestFile(path_, before));
    QVERIFY(QFile::setPermissions(path_, QFileDevice::WriteOwner));
    if (QFile probe(path_); probe.open(QIODevice::ReadOnly)) {
        QSKIP("file permissions are not enforced for this user");
    }
    QVERIFY(!viewer::writeProfileString(path_, "CONFIG", "LOGO", QStringLiteral("/l")));
    QVERIFY(QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readTestFile(path_), before);
}

// A full disk, or a folder where nothing new can be made, leaves the old file whole and says so.
void ProfileFileTest::failedWriteKeepsTheOldFile_data() {
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("disk full part-way") << true;
    QTest::newRow("no room beside the file") << false;
}

void ProfileFileTest::failedWriteKeepsTheOldFile() {
    QFETCH(bool, fullDisk);
    const QByteArray before = "[CONFIG]\nDIR=/d\n";
    QVERIFY(writeTestFile(path_, before));
    const QString longValue(6000, u'x');
    bool written = true;
    if (fullDisk) {
        const viewer::test::FileSizeLimit limit(4096);
        written = viewer::writeProfileString(path_, "CONFIG", "SKIN", longValue);
    } else {
        QVERIFY(
            QFile::setPermissions(dir_->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const viewer::test::PermissionsEnforced enforced;
        if (QFile probe(dir_->filePath("probe")); probe.open(QIODevice::WriteOnly)) {
            QSKIP("file permissions are not enforced for this user");
        }
        written = viewer::writeProfileString(path_, "CONFIG", "SKIN", longValue);
    }
    QVERIFY(QFile::setPermissions(
        dir_->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QVERIFY(!written);
    QCOMPARE(readTestFile(path_), before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.ini"});
}

// Left by writers killed before their rename: ours of the same kind go, others and any a live
// writer holds stay.
void ProfileFileTest::staleTemporaryFilesAreRemoved() {
    const QStringList stale{"settings.ini.Ab12Cd", "other.ini.x1Y2z3"};
    const QStringList kept{"notes.txt.abcdef", "settings.ini.bak", "settings.ini.InUse1"};
    for (const QString& name : stale + kept) {
        QVERIFY(writeTestFile(dir_->filePath(name), "[CONFIG]\nDIR=/half"));
    }
    const int inUse = ::open(QFile::encodeName(dir_->filePath("settings.ini.InUse1")), O_RDONLY);
    QVERIFY(inUse >= 0 && ::flock(inUse, LOCK_EX) == 0);
    const bool written = viewer::writeProfileString(path_, "CONFIG", "DIR", QStringLiteral("/v"));
    ::close(inUse);
    QVERIFY(written);
    QStringList expected = kept + QStringList{"settings.ini"};
    expected.sort();
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

void ProfileFileTest::nonAsciiValueRoundTrips() {
    const QString value = QStringLiteral("/home/jürgen/Hintergrund 😀.jpg");
    QVERIFY(viewer::writeProfileString(path_, "CONFIG", "SKIN", value));
    QCOMPARE(viewer::readProfileString(path_, "CONFIG", "SKIN", QString(), 260), value);
    // A cut never leaves half of a character that takes two UTF-16 units.
    const auto emoji = static_cast<int>(value.indexOf(QStringLiteral("😀")));
    QCOMPARE(viewer::readProfileString(path_, "CONFIG", "SKIN", QString(), emoji + 2),
             value.left(emoji));
}

void ProfileFileTest::leadingInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("blanks, sign, leading zeros") << " \t-0150" << -150;
    QTest::newRow("plus and trailing text") << "+12abc" << 12;
    QTest::newRow("no number") << "No" << 0;
    QTest::newRow("blank after sign") << "- 5" << 0;
    QTest::newRow("smallest int") << "-2147483648" << std::numeric_limits<int>::min();
    QTest::newRow("too large saturates")
        << "99999999999999999999" << std::numeric_limits<int>::max();
    QTest::newRow("too small saturates") << "-9999999999" << std::numeric_limits<int>::min();
}

void ProfileFileTest::leadingInt() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(viewer::leadingInt(text), expected);
}

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "profile_file_test.moc"
