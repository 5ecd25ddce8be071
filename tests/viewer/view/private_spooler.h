// A CUPS scheduler of the test's own: configuration, spool and socket in a temporary folder, one
// cups-pdf queue "PDF" as its default printer, writing its PDF files into PdfFolder(). Nothing of
// the machine's own spooler is used or changed; the scheduler stops with the object and is killed
// with the test process should that end first.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace viewer::test {

class PrivateSpooler {
public:
    // Points this process's CUPS clients (Qt's print support and the lp tools it starts) at the
    // scheduler's socket, whether or not it runs: with none running there is no default printer.
    // Call before anything in the process asks CUPS, since the client library keeps its server.
    static void UseForThisProcess();

    // Why a spooler cannot run on this machine, or empty when it can.
    static QString WhyUnavailable();

    PrivateSpooler();
    ~PrivateSpooler();
    PrivateSpooler(const PrivateSpooler&) = delete;
    PrivateSpooler& operator=(const PrivateSpooler&) = delete;

    // Starts the scheduler and sets up the queue; false with a reason in `error`.
    bool Start(QString* error);

    // Jobs the queue has taken so far, finished or not.
    int JobsSubmitted() const;
    // Waits until the queue is idle and returns the newest PDF, empty after `timeoutMs`.
    QString WaitForPdf(int timeoutMs) const;

private:
    void stop();

    QTemporaryDir folder_;
    QString instance_;  // names the cups-pdf configuration of this spooler
    std::unique_ptr<QProcess> scheduler_;
};

// Runs a command with a deadline: its standard output, or nullopt (with the reason in `error`)
// when it did not run to a zero exit.
std::optional<QString> RunTool(const QString& program, const QStringList& arguments,
                               QString* error = nullptr);

}  // namespace viewer::test
