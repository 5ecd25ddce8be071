// Capture names and the Capture dialog's OK, on settings files in a folder of the test's own and
// a clock fixed at 7 December 2023, 14:25:30.
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include "capture/capture_dialog.h"
#include "capture/capture_naming.h"
#include "config/config.h"
#include "config/profile_file.h"
#include "config/test_files.h"
#include "controls/message_box.h"

namespace {

const QDateTime kNow(QDate(2023, 12, 7), QTime(14, 25, 30));

}  // namespace

class CaptureNamingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<CConfig> config;
    std::vector<viewer::MessageRecord> messages;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    QString idFolder() const { return dir->filePath("gallery/LINE1"); }
    QString counter(const char* key) const {
        return viewer::readProfileString(idFolder() + "/ID.ini", "ID", key, "absent", 100);
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(dir->path()).mkpath("gallery/LINE1"));
        config = std::make_unique<CConfig>(dir->path(), dir->path());
        QVERIFY(writeTestFile(config->GetProgramConfigPath(),
                              "[CONFIG]\nDIR=" + dir->filePath("gallery").toUtf8() + "\n"));
        messages.clear();
        answer = QMessageBox::Ok;
        viewer::SetMessageAnswererForTesting([this](const viewer::MessageRecord& message) {
            messages.push_back(message);
            return answer;
        });
    }
    void cleanup() { viewer::SetMessageAnswererForTesting({}); }

    void proposal_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("counterFile");  // empty: none
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no ID") << "" << QByteArray() << QStringList{} << "231207_142530";
        QTest::newRow("no counter file")
            << "LINE1" << QByteArray() << QStringList{"231207_001.bmp"} << "231207_002";
        QTest::newRow("new day restarts at 1")
            << "LINE1" << QByteArray("[ID]\nLASTNUM=42\nLASTFILENAME=231206_042\n") << QStringList{}
            << "231207_001";
        QTest::newRow("today's number walks over both formats")
            << "LINE1" << QByteArray("[ID]\nLASTNUM=5\nLASTFILENAME=231207_005\n")
            << QStringList{"231207_005.bmp", "231207_006.jpg", "231207_008.bmp"} << "231207_007";
        QTest::newRow("past 999") << "LINE1"
                                  << QByteArray("[ID]\nLASTNUM=999\nLASTFILENAME=231207_999\n")
                                  << QStringList{"231207_999.jpg"} << "231207_1000";
        // LASTNUM is read as "1000": the search restarts lower and walks up over the files.
        QTest::newRow("past 9999")
            << "LINE1" << QByteArray("[ID]\nLASTNUM=10000\nLASTFILENAME=231207_10000\n")
            << QStringList{"231207_1000.bmp", "231207_1001.jpg"} << "231207_1002";
    }
    void proposal() {
        QFETCH(QString, id);
        QFETCH(QByteArray, counterFile);
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        if (!counterFile.isEmpty()) {
            QVERIFY(writeTestFile(idFolder() + "/ID.ini", counterFile));
        }
        for (const QString& name : existing) {
            QVERIFY(writeTestFile(idFolder() + "/" + name, "x"));
        }
        QCOMPARE(viewer::ProposeCaptureName(*config, id, kNow), expected);
        // Cancelled and opened again: the same proposal.
        QCOMPARE(viewer::ProposeCaptureName(*config, id, kNow), expected);
        if (id.isEmpty()) {
            QVERIFY(!QFile::exists(idFolder() + "/ID.ini"));
        } else {
            QCOMPARE(counter("LASTNUM"), expected.mid(7).remove(QRegularExpression("^0+")));
            QCOMPARE(counter("LASTFILENAME"), expected);
        }
    }

    // OK trims the name and refuses what cannot name a file in the save folder; a file that
    // exists is replaced only when the user says so.
    void okChecksTheName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");   // empty: none
        QTest::addColumn<QString>("accepted");  // the name taken; empty: the dialog stays
        const QString noName = "error: No File Name!";
        QTest::newRow("spaces trimmed") << "  abc  " << false << 0 << ""
                                        << "abc";
        QTest::newRow("separator") << "sub/abc" << false << 0 << noName << "";
        QTest::newRow("parent folder") << "../abc" << true << 0 << noName << "";
        const QString replace = "Warning: 'old.jpg' already exits. \n\nDo you want to replace it?";
        QTest::newRow("existing, No") << "old" << true << int(QMessageBox::No) << replace << "";
        QTest::newRow("existing, Yes")
            << " old" << true << int(QMessageBox::Yes) << replace << "old";
        QTest::newRow("other format free") << "old" << false << 0 << ""
                                           << "old";
    }
    void okChecksTheName() {
        QFETCH(QString, typed);
        QFETCH(bool, jpeg);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QString, accepted);
        this->answer = static_cast<QMessageBox::StandardButton>(answer);
        const QString saveFolder = idFolder() + "/";
        QVERIFY(writeTestFile(saveFolder + "old.jpg", "x"));

        CCaptureDialog dialog(*config, "LINE1", saveFolder, nullptr, kNow);
        QCOMPARE(dialog.windowTitle(), QString("Capture"));
        auto* edit = dialog.findChild<QLineEdit*>("ID_1008");
        QCOMPARE(edit->text(), QString("231207_001"));
        QVERIFY(dialog.findChild<QRadioButton*>("ID_1017")->isChecked());
        dialog.show();
        edit->setText(typed);
        if (jpeg) {
            dialog.findChild<QRadioButton*>("ID_1018")->click();
        }
        QTest::keyClick(edit, Qt::Key_Return);  // Enter runs the OK button's checks

        QCOMPARE(messages.size(), std::size_t(message.isEmpty() ? 0 : 1));
        if (!message.isEmpty()) {
            QCOMPARE(messages[0].caption + ": " + messages[0].text, message);
        }
        QCOMPARE(dialog.result(), accepted.isEmpty() ? 0 : int(QDialog::Accepted));
        QCOMPARE(dialog.isVisible(), accepted.isEmpty());
        QCOMPARE(edit->text(), typed);
        if (!accepted.isEmpty()) {
            QCOMPARE(dialog.FileName(), accepted);
            QCOMPARE(dialog.Format(), jpeg ? 1 : 0);
        }
    }
};

QTEST_MAIN(CaptureNamingTest)
#include "capture_naming_test.moc"
