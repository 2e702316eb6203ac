#pragma once

// The private CUPS spooler of the printing tests (tests/report/cups/
// private-cups.sh), for any test that prints through it.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include <signal.h>
#include <sys/prctl.h>

namespace cupstest {

inline const QString kScript = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/report/cups/private-cups.sh");

struct Run
{
    bool ok = false; // started, finished in time, exit code 0
    QString out;
    QString err;
};

inline Run run(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(timeoutMs)) {
        r.err = QStringLiteral("%1 did not start: %2").arg(program, p.errorString());
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        r.err = QStringLiteral("%1 %2 took longer than %3 ms").arg(program, args.join(' ')).arg(timeoutMs);
        return r;
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return r;
}

// The private spooler: cupsd runs as a child of the test and dies with it,
// whether the test ends normally, fails or crashes.
class PrivateCups
{
public:
    ~PrivateCups() { stop(); }

    bool start(QString* error)
    {
        // A unix socket path must stay short: keep the folder in /tmp.
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/waybill-cups-XXXXXX"));
        if (!m_dir->isValid()) {
            *error = QStringLiteral("no temporary folder: %1").arg(m_dir->errorString());
            return false;
        }
        // Every CUPS client of this process, Qt's included, talks to this spooler.
        qputenv("CUPS_SERVER", socketPath().toLocal8Bit());
        m_cupsd.setProgram(QStringLiteral("/bin/sh"));
        m_cupsd.setArguments({kScript, QStringLiteral("run"), m_dir->path()});
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.start();
        if (!m_cupsd.waitForStarted(10000)) {
            *error = QStringLiteral("cupsd did not start: %1").arg(m_cupsd.errorString());
            return false;
        }
        const Run queues =
            run(QStringLiteral("/bin/sh"), {kScript, QStringLiteral("queues"), m_dir->path()}, 30000);
        if (!queues.ok) {
            *error = QStringLiteral("could not set up the queues: %1\n%2\n%3")
                         .arg(queues.err, QString::fromLocal8Bit(m_cupsd.readAll()), errorLogTail());
            return false;
        }
        return true;
    }

    void stop()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(5000)) {
                m_cupsd.kill();
                m_cupsd.waitForFinished(2000);
            }
        }
        if (m_dir)
            qunsetenv("CUPS_SERVER");
        m_dir.reset();
    }

    bool isRunning() const { return m_cupsd.state() == QProcess::Running; }
    QString socketPath() const { return m_dir->filePath(QStringLiteral("cups.sock")); }
    // Where the Epson 24-pin queue writes what its driver made of a job.
    QString escpFile() const { return m_dir->filePath(QStringLiteral("escp/job.prn")); }
    // Where the raw queue writes a job.
    QString rawFile() const { return m_dir->filePath(QStringLiteral("escp/raw.prn")); }
    QString outDir() const { return m_dir->filePath(QStringLiteral("out")); }

    QStringList pdfFiles() const
    {
        return QDir(outDir()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

    // Every job the spooler knows of, finished or not, one line each.
    QStringList jobs(bool unfinishedOnly = false) const
    {
        const Run r = run(QStringLiteral("lpstat"),
                          {QStringLiteral("-W"),
                           unfinishedOnly ? QStringLiteral("not-completed") : QStringLiteral("all"),
                           QStringLiteral("-o")},
                          10000);
        if (!r.ok)
            return {QStringLiteral("lpstat failed: ") + r.err};
        return r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString errorLogTail() const
    {
        if (!m_dir)
            return {};
        QFile log(m_dir->filePath(QStringLiteral("log/error_log")));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
        QStringList interesting;
        for (const QString& line : lines)
            if (line.startsWith(QLatin1String("E ")) || line.contains(QLatin1String("[Job")))
                interesting << line;
        return interesting.mid(std::max(0, int(interesting.size()) - 30)).join(QLatin1Char('\n'));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_cupsd;
};

} // namespace cupstest
