#pragma once

#include <QSize>
#include <QString>

// The program's settings per user, each with its default: the panel the
// main window shows, the server chosen under "数据库位置…", and from them
// where the address book lives. Kept where QSettings keeps them for the
// organization (AppInfo), under the keys and in the value formats that
// earlier versions wrote, so what a user has stored stays readable.
class Settings
{
public:
    // The window program follows the user's choice of address book; the
    // command-line tool never does: a script names its file or works in its
    // own directory.
    enum class Program
    {
        Window,
        CommandLine
    };
    enum class Panel
    {
        Recipient, // the default
        Sender
    };

    explicit Settings(Program program = Program::Window) : m_program(program) {}

    // Stored as "outr": "1" the sender panel, "0" the recipient panel; any
    // other value, or none, reads as the recipient panel.
    Panel panel() const;
    bool setPanel(Panel panel, QString* error);
    static QString panelKey() { return QStringLiteral("outr"); }

    // The chosen server's URI (without password), or empty for the file.
    QString server() const;
    // Empty uri: back to the file.
    bool setServer(const QString& uri, QString* error);

    // Whether a PDF exported from a template window counts as a print (marks
    // its rows 已打印 and is recorded); off unless the user chose it.
    bool pdfMarksPrinted() const;
    bool setPdfMarksPrinted(bool on, QString* error);

    // A printer marked as a 24-pin dot-matrix printer gets the program's
    // own ESC/P stream as a raw job: the paper it runs ("continuous" or
    // "sheets"; empty: not marked) and, if chosen, a device file to write
    // to instead of its queue.
    QString escpPaper(const QString& printer) const;
    bool setEscpPaper(const QString& printer, const QString& paper, QString* error);
    QString escpDevice(const QString& printer) const;
    bool setEscpDevice(const QString& printer, const QString& device, QString* error);

    // Whether a single print asks for its waybill number as a batch does;
    // off unless the user chose it.
    bool singleAsksNumber() const;
    bool setSingleAsksNumber(bool on, QString* error);

    // The address book, taken afresh each call. The window program: the
    // chosen server, else data.mdb in the working directory, or in the
    // user's data folder when the program is an installed one
    // (DataLocation). The command-line tool: data.mdb in the working
    // directory.
    QString storeLocation() const;

    // The print preview as the user left it: its window size (invalid when
    // never stored) and its zoom, "fit", "width" or a percent such as
    // "150" (empty when never stored).
    QSize previewSize() const;
    QString previewZoom() const;
    bool setPreview(const QSize& size, const QString& zoom, QString* error);

private:
    Program m_program;
};
