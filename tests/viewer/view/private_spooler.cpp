#include "private_spooler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

namespace viewer::test {

namespace {

constexpr int kToolMs = 30000;

QString socketPath() {
    return QDir::tempPath() +
           QStringLiteral("/qlv-print-test-%1.sock").arg(QCoreApplication::applicationPid());
}

// cups-pdf reads a per-queue configuration named after its device URI, from a fixed folder.
QString pdfConfigPath(const QString& instance) {
    return QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(instance);
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

}  // namespace

std::optional<QString> RunTool(const QString& program, const QStringList& arguments,
                               QString* error) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        if (error != nullptr) {
            *error = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
                     QStringLiteral(": ") + QString::fromLocal8Bit(tool.readAllStandardError()) +
                     tool.errorString();
        }
        tool.kill();
        tool.waitForFinished();
        return std::nullopt;
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

void PrivateSpooler::UseForThisProcess() {
    qputenv("CUPS_SERVER", QFile::encodeName(socketPath()));
    // Neither the machine's client settings nor a user's printer choice may name another printer.
    qputenv("CUPS_SERVERROOT", QFile::encodeName(QDir::tempPath() + "/qlv-print-test-no-config"));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
}

QString PrivateSpooler::WhyUnavailable() {
    const char* const needed[] = {"/usr/sbin/cupsd",
                                  "/usr/sbin/lpadmin",
                                  "/usr/bin/lpstat",
                                  "/usr/lib/cups/backend/cups-pdf",
                                  "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd",
                                  "/usr/bin/pdftoppm"};
    for (const char* path : needed) {
        if (!QFileInfo::exists(QString::fromLatin1(path))) {
            return QStringLiteral(
                       "%1 is missing: install cups, printer-driver-cups-pdf and "
                       "poppler-utils (./test does)")
                .arg(QString::fromLatin1(path));
        }
    }
    if (geteuid() != 0) {
        return QStringLiteral(
            "the PDF printer's backend runs only under a scheduler started as root");
    }
    return {};
}

PrivateSpooler::PrivateSpooler()
    : instance_(QStringLiteral("qlvtest%1").arg(QCoreApplication::applicationPid())) {}

PrivateSpooler::~PrivateSpooler() {
    stop();
}

bool PrivateSpooler::Start(QString* error) {
    const QString root = folder_.path();
    // The scheduler's helpers run as another user and must reach the spool and the queue's PPD.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
    for (const char* sub : {"spool", "cache", "state", "tmp", "log", "pdf"}) {
        QDir(root).mkdir(QString::fromLatin1(sub));
    }
    // Filters write their temporary files here under the scheduler's own user.
    ::chmod(QFile::encodeName(root + "/tmp").constData(), 01777);
    const QByteArray rootBytes = QFile::encodeName(root);
    const bool written =
        writeFile(root + "/cupsd.conf",
                  "Listen " + QFile::encodeName(socketPath()) +
                      "\nBrowsing No\nWebInterface No\nDefaultAuthType None\nLogLevel warn\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n") &&
        writeFile(root + "/cups-files.conf",
                  "ServerRoot " + rootBytes + "\nRequestRoot " + rootBytes + "/spool\nCacheDir " +
                      rootBytes + "/cache\nStateDir " + rootBytes + "/state\nTempDir " + rootBytes +
                      "/tmp\nErrorLog " + rootBytes + "/log/error_log\nAccessLog " + rootBytes +
                      "/log/access_log\nPageLog " + rootBytes + "/log/page_log\n") &&
        writeFile(pdfConfigPath(instance_), "Out " + rootBytes + "/pdf\nLabel 1\n");
    if (!written) {
        *error = QStringLiteral("cannot write the spooler's configuration");
        return false;
    }

    scheduler_ = std::make_unique<QProcess>();
    scheduler_->setProcessChannelMode(QProcess::ForwardedChannels);
    // Should the test die first, the scheduler goes with it.
    scheduler_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    scheduler_->start(QStringLiteral("/usr/sbin/cupsd"),
                      {QStringLiteral("-f"), QStringLiteral("-c"), root + "/cupsd.conf",
                       QStringLiteral("-s"), root + "/cups-files.conf"});
    if (!scheduler_->waitForStarted()) {
        *error = QStringLiteral("cupsd does not start: ") + scheduler_->errorString();
        return false;
    }
    const bool running = QTest::qWaitFor(
        [] {
            return RunTool(QStringLiteral("lpstat"), {QStringLiteral("-r")})
                .value_or(QString())
                .contains(QLatin1String("is running"));
        },
        kToolMs);
    if (!running || scheduler_->state() != QProcess::Running) {
        *error = QStringLiteral("cupsd did not come up");
        return false;
    }
    return RunTool(
               QStringLiteral("lpadmin"),
               {QStringLiteral("-p"), QStringLiteral("PDF"), QStringLiteral("-v"),
                QStringLiteral("cups-pdf:/") + instance_, QStringLiteral("-P"),
                QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"), QStringLiteral("-E")},
               error)
               .has_value() &&
           RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-d"), QStringLiteral("PDF")}, error)
               .has_value();
}

int PrivateSpooler::JobsSubmitted() const {
    const auto jobs = RunTool(
        QStringLiteral("lpstat"),
        {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), QStringLiteral("PDF")});
    return jobs ? static_cast<int>(jobs->count(QLatin1Char('\n'))) : -1;
}

QString PrivateSpooler::WaitForPdf(int timeoutMs) const {
    QString newest;
    const auto done = [&] {
        const auto queued =
            RunTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), QStringLiteral("PDF")});
        if (!queued || !queued->trimmed().isEmpty()) {
            return false;
        }
        const QFileInfoList pdfs =
            QDir(folder_.path() + "/pdf")
                .entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        if (pdfs.isEmpty() || pdfs.front().size() == 0) {
            return false;
        }
        newest = pdfs.front().filePath();
        return true;
    };
    if (QTest::qWaitFor(done, timeoutMs)) {
        return newest;
    }
    QFile log(folder_.path() + "/log/error_log");
    qWarning("no PDF; queue: %s; PDF folder: %s; scheduler log:\n%s",
             qPrintable(RunTool(QStringLiteral("lpstat"), {QStringLiteral("-o")}).value_or("?")),
             qPrintable(QDir(folder_.path() + "/pdf").entryList(QDir::Files).join(' ')),
             log.open(QIODevice::ReadOnly) ? log.readAll().right(4000).constData() : "none");
    return {};
}

void PrivateSpooler::stop() {
    if (scheduler_ && scheduler_->state() != QProcess::NotRunning) {
        scheduler_->terminate();
        if (!scheduler_->waitForFinished(kToolMs)) {
            scheduler_->kill();
            scheduler_->waitForFinished();
        }
    }
    scheduler_.reset();
    QFile::remove(pdfConfigPath(instance_));
    QFile::remove(socketPath());
}

}  // namespace viewer::test
