#pragma once

#include <QIODevice>
#include <QString>

// Bytes in the printer's own language straight to a printer: a CUPS job
// of the raw format (no filter, no driver between), or a device file
// (/dev/usb/lp0). Written as they come, so a long batch goes out while it
// is being made.
class RawPrintJob : public QIODevice
{
    Q_OBJECT
public:
    explicit RawPrintJob(QObject* parent = nullptr);
    ~RawPrintJob() override;

    // Starts a raw job on a CUPS queue.
    bool openQueue(const QString& queue, const QString& title, QString* error);
    // Opens a character device (a printer port) for writing.
    bool openDevice(const QString& path, QString* error);
    // Ends the job: after this the spooler prints it. False with the reason.
    bool finish(QString* error);
    // Takes the job back (nothing printed from the spooler; what a device
    // has taken already is on the paper).
    void cancel();

    int jobId() const { return m_job; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QString m_queue;
    int m_job = 0;
    int m_fd = -1;
};
