#include "cli/CliCommand.h"
#include "cli/OverflowLines.h"
#include "cli/PrintTracking.h"

#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/Schema.h"
#include "data/store/ServerAddress.h"
#include "exchange/FileReplacer.h"
#include "exchange/OutputGuard.h"
#include "report/EscpWriter.h"
#include "report/PrinterDriverFacts.h"
#include "report/QuickRep.h"
#include "report/ReportLayout.h"
#include "report/ReportPdfWriter.h"
#include "report/ReportPrinter.h"
#include "templates/BatchData.h"
#include "templates/TemplateReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPrinterInfo>

#include <memory>

namespace {

const char* const kUsage =
    "print --template CODE [--variant single|batch|excel-single|excel-batch] [--sender N] [--recipient N] "
    "[--dx PX] [--dy PX] [--font FAMILY,PT] (--pdf FILE | --escp FILE | --printer NAME | --check) "
    "[--paper continuous|sheets] [--escp-dpi 180|360] "
    "[--recipients LIST] [--unprinted] [--first-number N [--allow-reused-numbers]] [--no-mark]";

struct PrintOptions
{
    QString code;
    QString variant = QStringLiteral("single");
    int sender = 1;
    int recipient = 1;
    bool senderGiven = false;
    bool recipientGiven = false;
    int dx = 0;
    int dy = 0;
    bool fontGiven = false;
    QFont font;
    QString pdf;
    QString escp; // the stream for a 24-pin dot-matrix printer
    EscpOptions escpOptions;
    bool escpChoiceGiven = false;
    QString printer;
    bool printerGiven = false;
    bool check = false; // list the cut texts, print nothing
};

bool parseInt(const QString& text, int* out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (ok)
        *out = v;
    return ok;
}

bool parseOptions(const QStringList& args, PrintOptions* o, QString* error)
{
    QStringList given; // a second output would silently win over the first
    for (int i = 0; i < args.size(); ++i) {
        const QString& opt = args.at(i);
        if (opt == QLatin1String("--check")) {
            o->check = true;
            continue;
        }
        if (!opt.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("多余的参数“%1”。").arg(opt);
            return false;
        }
        const bool output = opt == QLatin1String("--pdf") || opt == QLatin1String("--printer") ||
                            opt == QLatin1String("--escp");
        if (output && given.contains(opt)) {
            *error = QStringLiteral("选项 %1 给了两次。").arg(opt);
            return false;
        }
        if (output)
            given << opt;
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("选项 %1 缺少取值。").arg(opt);
            return false;
        }
        const QString& value = args.at(++i);
        if (opt == QLatin1String("--template")) {
            o->code = value;
        } else if (opt == QLatin1String("--variant")) {
            o->variant = value;
        } else if (opt == QLatin1String("--sender") || opt == QLatin1String("--recipient")) {
            int n = 0;
            if (!parseInt(value, &n) || n < 1) {
                *error = QStringLiteral("%1 需要从 1 起的行号，而不是“%2”。").arg(opt, value);
                return false;
            }
            if (opt == QLatin1String("--sender")) {
                o->sender = n;
                o->senderGiven = true;
            } else {
                o->recipient = n;
                o->recipientGiven = true;
            }
        } else if (opt == QLatin1String("--dx") || opt == QLatin1String("--dy")) {
            int n = 0;
            if (!parseInt(value, &n)) {
                *error = QStringLiteral("%1 需要整数像素值，而不是“%2”。").arg(opt, value);
                return false;
            }
            (opt == QLatin1String("--dx") ? o->dx : o->dy) = n;
        } else if (opt == QLatin1String("--font")) {
            const int comma = value.lastIndexOf(QLatin1Char(','));
            bool ok = false;
            const double pt = comma > 0 ? value.mid(comma + 1).trimmed().toDouble(&ok) : 0;
            const QString family = comma > 0 ? value.left(comma).trimmed() : QString();
            if (family.isEmpty() || !ok) {
                *error =
                    QStringLiteral("--font 的格式是“字体名,磅值”，例如“宋体,12”，而不是“%1”。").arg(value);
                return false;
            }
            QString why;
            if (!TemplateReport::checkFontSize(pt, &why)) {
                *error = QStringLiteral("--font “%1”：%2").arg(value, why);
                return false;
            }
            o->font = QFont(family);
            o->font.setPointSizeF(pt);
            o->fontGiven = true;
        } else if (opt == QLatin1String("--pdf")) {
            o->pdf = value;
        } else if (opt == QLatin1String("--escp")) {
            o->escp = value;
        } else if (opt == QLatin1String("--paper")) {
            if (value != QLatin1String("continuous") && value != QLatin1String("sheets")) {
                *error = QStringLiteral("--paper 只能是 continuous（连续纸）或 sheets（单张），而不是“%1”。")
                             .arg(value);
                return false;
            }
            o->escpOptions.paper = value == QLatin1String("sheets") ? EscpOptions::Paper::Sheets
                                                                    : EscpOptions::Paper::Continuous;
            o->escpChoiceGiven = true;
        } else if (opt == QLatin1String("--escp-dpi")) {
            if (value != QLatin1String("180") && value != QLatin1String("360")) {
                *error = QStringLiteral("--escp-dpi 只能是 180 或 360，而不是“%1”。").arg(value);
                return false;
            }
            o->escpOptions.dpiX = value.toInt();
            o->escpChoiceGiven = true;
        } else if (opt == QLatin1String("--printer")) {
            o->printer = value;
            o->printerGiven = true;
        } else {
            *error = QStringLiteral("未知选项 %1。").arg(opt);
            return false;
        }
    }
    if (o->code.isEmpty()) {
        *error = QStringLiteral("请用 --template 指定模板。");
        return false;
    }
    if (int(!o->pdf.isEmpty()) + int(!o->escp.isEmpty()) + int(o->printerGiven) + int(o->check) != 1) {
        *error = QStringLiteral("请指定 --pdf FILE、--escp FILE、--printer NAME 或 --check 之一。");
        return false;
    }
    if (o->escpChoiceGiven && o->escp.isEmpty()) {
        *error = QStringLiteral("--paper 和 --escp-dpi 只用于 --escp。");
        return false;
    }
    return true;
}

// Opens a set over table and puts it on the given 1-based row.
bool openAtRow(DataSet* set, const QString& table, int row, const QString& what, QString* error)
{
    if (!set->open(table, {}, {}, error))
        return false;
    if (row > set->recordCount()) {
        *error = set->recordCount() == 0
                     ? QStringLiteral("%1表 %2 是空的，没有第 %3 行。").arg(what, table).arg(row)
                     : QStringLiteral("%1表 %2 没有第 %3 行（共 %4 行）。")
                           .arg(what, table)
                           .arg(row)
                           .arg(set->recordCount());
        return false;
    }
    set->moveTo(row - 1);
    return true;
}

// Writes the pages beside the target first and renames them over it, so a
// failed run never leaves a half-written or missing file behind.
bool writePdf(ReportLayout* layout, const QString& path, QString* error)
{
    const QFileInfo target(QDir::current().absoluteFilePath(path));
    if (target.exists() && !target.isFile()) {
        *error = QStringLiteral("无法写入文件 %1：它不是普通文件。").arg(target.filePath());
        return false;
    }
    FileReplacer out(target.absoluteFilePath(), FileReplacer::Access::Shared);
    QString why;
    if (!out.prepare(&why) || !ReportPdfWriter::write(layout, out.tempPath(), &why) || !out.commit(&why)) {
        *error = QStringLiteral("无法写入文件 %1：%2").arg(target.filePath(), why);
        return false;
    }
    return true;
}

// The same for the dot-matrix stream, written form by form.
bool writeEscp(ReportLayout* layout, const QString& path, const EscpOptions& options, QStringList* warnings,
               QString* error)
{
    const QFileInfo target(QDir::current().absoluteFilePath(path));
    if (target.exists() && !target.isFile()) {
        *error = QStringLiteral("无法写入文件 %1：它不是普通文件。").arg(target.filePath());
        return false;
    }
    FileReplacer out(target.absoluteFilePath(), FileReplacer::Access::Shared);
    QString why;
    bool ok = out.prepare(&why);
    if (ok) {
        QFile file(out.tempPath());
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (!ok)
            why = file.errorString();
        ok = ok && EscpWriter::write(layout, &file, options, &why, warnings);
        if (ok && !file.flush()) {
            why = file.errorString();
            ok = false;
        }
        file.close();
    }
    if (!ok || !out.commit(&why)) {
        *error = QStringLiteral("无法写入文件 %1：%2").arg(target.filePath(), why);
        return false;
    }
    return true;
}

// Prints or writes the pages. The record is written before the first page
// goes out and completed after the last, so a run cut short leaves an entry
// saying so.
int sendAndRecord(CliContext& ctx, const PrintOptions& o, TemplateReport* tpl, PrintTracking& tracking,
                  DataSet* printedSenders, DataSet* printedRecipients)
{
    QString error;
    const bool pdf = !o.pdf.isEmpty();
    const bool escp = !o.escp.isEmpty();
    // The stream is the printer's own language: the history counts it a print.
    const QString target = pdf    ? QDir::current().absoluteFilePath(o.pdf)
                           : escp ? QStringLiteral("ESC/P：") + QDir::current().absoluteFilePath(o.escp)
                           : o.printer.isEmpty() ? QPrinterInfo::defaultPrinterName()
                                                 : o.printer;
    if (!tracking.begin(*tpl, printedSenders, printedRecipients, pdf, target, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    if (!pdf && !escp)
        tpl->report()->PrinterSettings.PrinterName = o.printer;
    ReportLayout layout(tpl->report());
    bool sent = false;
    QStringList warnings;
    // The queue's driver, when it has one: what it does to the forms.
    PrinterDriverFacts facts;
    bool driver = false;
    if (pdf) {
        // Pages are written as they are made.
        sent = writePdf(&layout, o.pdf, &error);
    } else if (escp) {
        sent = writeEscp(&layout, o.escp, o.escpOptions, &warnings, &error);
    } else {
        // CUPS' Epson dot-matrix drivers round the page length to sixths
        // of an inch: say where the forms will land, and the way round it.
        const QString queue = o.printer.isEmpty() ? QPrinterInfo::defaultPrinterName() : o.printer;
        driver = PrinterDriverFacts::read(queue, &facts, nullptr);
        if (driver) {
            const QString drift = facts.driftWarning(tpl->report()->pageSizeMm().height(), 20);
            if (!drift.isEmpty())
                ctx.err << "注意：" << drift << "\n（用 --escp FILE 写出，再用 lp -o raw -d " << queue
                        << " FILE 送出。）\n";
        }
        sent = ReportPrinter::printTo(tpl->report(), o.printer, &error, &layout);
        if (!sent && error.isEmpty())
            error = QStringLiteral("打印失败。");
    }
    if (!sent) {
        QString why;
        ctx.err << error << "\n";
        if (!tracking.abandon(&why))
            ctx.err << why << "\n";
        return 1;
    }
    if (pdf)
        ctx.out << "已将 " << layout.pageCount() << " 页写入 " << o.pdf << "\n";
    else if (escp)
        ctx.out << "已将 " << layout.pageCount() << " 张运单的针式打印机数据写入 " << o.escp << "\n";
    else
        ctx.out << "已送往打印机 " << (o.printer.isEmpty() ? QStringLiteral("（默认）") : o.printer) << "\n";
    for (const QString& w : warnings)
        ctx.err << "注意：" << w << "\n";
    warnOverflows(ctx.err, layout);
    if (driver) {
        // Text in the driver's unprintable margins is left off the paper.
        const QStringList hits = facts.marginHits(layout, 20);
        for (const QString& hit : hits.mid(0, 5))
            ctx.err << "注意：" << hit << "\n";
        if (hits.size() > 5)
            ctx.err << "注意：另有 " << hits.size() - 5 << " 张也是这样。\n";
    }
    const int pages = pdf || escp ? layout.pageCount()
                                  : (tpl->isBatch() ? std::max(1, printedRecipients->recordCount()) : 1);
    if (!tracking.finish(pages, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    return 0;
}

int runPrint(CliContext& ctx)
{
    PrintOptions o;
    QString error;
    PrintTracking tracking;
    if (!tracking.takeOptions(&ctx.args, &error) || !parseOptions(ctx.args, &o, &error)) {
        ctx.err << error << "\n用法: waybill-cli [--db FILE] " << kUsage << "\n";
        return 2;
    }
    std::unique_ptr<TemplateReport> tpl(TemplateReport::create(o.code, o.variant, &error));
    if (!tpl && !layouts::findTemplate(o.code)) {
        // The shop's own templates are in the address book.
        Database book;
        QString why;
        if (book.open(ctx.dbPath, &why, false))
            tpl.reset(TemplateReport::create(book, o.code, o.variant, &error));
    }
    if (!tpl) {
        ctx.err << error << "\n";
        return 2;
    }
    if (tpl->isBatch() && (o.senderGiven || o.recipientGiven)) {
        ctx.err << "批量打印总是用第一个寄件人、每个收件人一页，不能指定 --sender 或 --recipient。\n";
        return 2;
    }
    if (o.printerGiven) {
        const QPrinterInfo info =
            o.printer.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(o.printer);
        if (info.isNull()) {
            ctx.err << (o.printer.isEmpty() ? QStringLiteral("没有默认打印机。")
                                            : QStringLiteral("没有名为“%1”的打印机。").arg(o.printer))
                    << "\n";
            return 1;
        }
    }
    const bool server = ServerAddress::isServer(ctx.dbPath);
    if (!server && QFileInfo(ctx.dbPath).isDir()) {
        ctx.err << QDir::toNativeSeparators(ctx.dbPath) << " 是一个文件夹，不是数据库文件。\n";
        return 1;
    }
    if (!server && !QFileInfo(ctx.dbPath).isFile()) {
        ctx.err << "找不到数据库文件 " << QDir::toNativeSeparators(ctx.dbPath) << "。\n";
        return 1;
    }
    // The PDF must never land on the address book or its journal.
    if ((!o.pdf.isEmpty() && !OutputGuard::check(o.pdf, ctx.dbPath, &error)) ||
        (!o.escp.isEmpty() && !OutputGuard::check(o.escp, ctx.dbPath, &error))) {
        ctx.err << error << "\n";
        return 1;
    }

    // Data: the batch variants read as their windows do; the single ones
    // stand on the chosen rows.
    Database db;
    DataSet senders;
    DataSet recipients;
    BatchData batch(tpl->recipientTable());
    if (tpl->isBatch()) {
        if (!batch.reload(ctx.dbPath, &error) || !tracking.select(*tpl, &batch, ctx.dbPath, &error)) {
            ctx.err << error << "\n";
            return 1;
        }
        tpl->bind(batch.senders(), batch.recipients());
        if (batch.blankCount() > 0)
            ctx.err << "注意：" << batch.blankNote() << "\n";
    } else {
        senders.setDatabase(&db);
        recipients.setDatabase(&db);
        if (!db.open(ctx.dbPath, &error, false) ||
            !openAtRow(&senders, Schema::kSenderTable, o.sender, QStringLiteral("寄件人"), &error) ||
            !openAtRow(&recipients, tpl->recipientTable(), o.recipient, QStringLiteral("收件人"), &error)) {
            ctx.err << error << "\n";
            return 1;
        }
        if (!tracking.select(*tpl, nullptr, ctx.dbPath, &error)) {
            ctx.err << error << "\n";
            return 2;
        }
        tpl->bind(&senders, &recipients);
    }
    // The template's saved calibration and item adjustments, then the
    // shift of the command line on top, as the template window does.
    if (!tpl->loadAdjustment(tpl->isBatch() ? batch.connection() : db, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    DataSet* printedSenders = tpl->isBatch() ? batch.senders() : &senders;
    DataSet* printedRecipients = tpl->isBatch() ? batch.recipients() : &recipients;
    if (!tracking.prepareNumbers(printedRecipients, ctx.err, &error)) {
        ctx.err << error << "\n";
        return 2;
    }
    tpl->setNumbers(tracking.numbersByRow());
    if ((o.dx && !tpl->shiftLeft(o.dx, &error)) || (o.dy && !tpl->shiftTop(o.dy, &error)) ||
        (o.fontGiven && !tpl->setItemsFont(o.font, Qt::black, &error))) {
        ctx.err << error << "\n";
        return 2;
    }

    if (o.check) {
        ReportLayout layout(tpl->report());
        layout.generateAll();
        writeOverflows(ctx.out, layout);
        return layout.overflows().isEmpty() ? 0 : 3;
    }
    if (!tracking.numbersFree(ctx.err, &error)) {
        ctx.err << error << "\n";
        return 1;
    }
    return sendAndRecord(ctx, o, tpl.get(), tracking, printedSenders, printedRecipients);
}

} // namespace

WAYBILL_CLI_COMMAND("print", kUsage, runPrint);
