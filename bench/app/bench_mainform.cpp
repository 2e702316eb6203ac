// Main window with a large recipient list: opening, searching, deleting a
// thousand selected rows and scrolling the grid. Prints its figures.
// Run headless: QT_QPA_PLATFORM=offscreen bench_mainform [rows] [postgresql://… server]
// With a server URI the address book is that server's database (emptied
// and filled first), as a shop that chose it under "数据库位置…" has it.
#include "app/MainForm.h"
#include "bench/report/ProcessUsage.h"
#include "data/records/ContainsSearch.h"
#include "data/records/DataSet.h"
#include "data/store/Database.h"
#include "data/store/FreedMemory.h"
#include "data/store/Schema.h"
#include "data/store/SearchIndex.h"
#include "data/store/ServerAddress.h"
#include "data/store/ServerIndexBuild.h"
#include "data/store/Settings.h"
#include "data/store/StoreSettings.h"
#include "data/store/Transaction.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelection>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

bool fillStore(const QString& location, int rows);

bool fill(const QString& location, int rows)
{
    // A million rows take a while to make: a file store made once is kept
    // in the temporary folder and copied in on later runs of the same
    // schema (the smoke run's small list is always made afresh).
    const QStringList schema = SearchIndex::fileObjects().values();
    const QString kept = QDir::temp().filePath(QStringLiteral("waybill-bench-mainform-%1-%2.mdb")
                                                   .arg(rows)
                                                   .arg(qHash(schema.join(QLatin1Char('\n'))), 0, 16));
    const bool file = !ServerAddress::isServer(location) && rows >= 100000;
    if (file && QFileInfo::exists(kept)) {
        QFile::remove(location);
        QDir().mkpath(QFileInfo(location).absolutePath());
        return QFile::copy(kept, location);
    }
    if (!fillStore(location, rows))
        return false;
    if (file)
        QFile::copy(location, kept);
    return true;
}

bool fillStore(const QString& location, int rows)
{
    Database db;
    QString error;
    if (!db.open(location, &error, true)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    Transaction tx(db.db());
    const QStringList family{QStringLiteral("张"), QStringLiteral("王"), QStringLiteral("李"),
                             QStringLiteral("赵"), QStringLiteral("刘")};
    const QStringList columns = Schema::importColumns() << QStringLiteral("快递单号");
    auto row = [&](int i, QVector<QVariant>& v) {
        v[0] = family[i % family.size()] + QString::number(i);
        v[1] = QStringLiteral("上海市");
        v[2] = QStringLiteral("200000");
        v[3] = QStringLiteral("某某贸易有限公司");
        v[4] = QStringLiteral("浦东新区世纪大道%1号%2室").arg(i % 2000).arg(i % 97);
        v[5] = QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0'));
        v[6] = QStringLiteral("021-5555%1").arg(i % 10000, 4, 10, QLatin1Char('0'));
        v[7] = QStringLiteral("文件");
        v[8] = QStringLiteral("1");
        v[9] = QString();
        v[10] = QStringLiteral("");
    };
    // TRUNCATE on a server: a DELETE would leave the earlier run's dead rows
    // in the table's pages, and every scan would read twice the pages.
    bool ok = db.exec(db.isServer() ? QStringLiteral("TRUNCATE inr") : QStringLiteral("DELETE FROM inr"), {},
                      &error);
    // In loads of 100,000: a server cancels a statement that runs a minute,
    // and a busy machine loads a million rows more slowly than that.
    constexpr int kLoad = 100000;
    for (int from = 0; ok && from < rows; from += kLoad) {
        ok = db.appendRows(
            Schema::kRecipientTable, columns, std::min(kLoad, rows - from),
            [&](int i, QVector<QVariant>& v) { row(from + i, v); }, {}, nullptr, &error);
    }
    ok = ok && tx.commit(&error);
    // A server in use has long vacuumed a list it was given: measure that state.
    if (ok && db.isServer())
        db.exec(QStringLiteral("VACUUM ANALYZE inr"), {}, &error);
    if (ok)
        SearchIndex::buildMissing(db);
    if (!ok)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return ok;
}

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program does at its start.
    FreedMemory::keepForReuse();
    QApplication app(argc, argv);
    FontSetup::install();
    Dialogs::setScripted(true);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString server = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    qputenv("XDG_DESKTOP_DIR", QFile::encodeName(dir.filePath(QStringLiteral("Desktop"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("share"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    if (!server.isEmpty()) {
        ServerAddress address;
        QString why;
        if (!ServerAddress::parse(server, &address, &why) || !StoreSettings::useServer(address, &why)) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
    }
    const Settings settings;
    const QString location = settings.storeLocation();
    std::printf("store: %s\n", qPrintable(ServerAddress::displayLocation(location)));
    QElapsedTimer t;
    t.start();
    if (!fill(location, rows))
        return 1;
    std::printf("rows: %d (filled in %.0f ms)\n", rows, ms(t));
    // A server's list loaded in bulk gets its search indexes beside the
    // program; the window is measured once they are there.
    t.restart();
    if (ServerIndexBuild::running()) {
        ServerIndexBuild::wait(600);
        std::printf("  its search indexes then built beside the program in %.0f ms\n", ms(t));
    }

    t.restart();
    const double cpuBefore = cpuSeconds();
    QString error;
    std::unique_ptr<TMainForm> f(TMainForm::create(settings, &error));
    if (!f) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const double created = ms(t);
    f->show();
    QApplication::processEvents();
    // On a busy machine the wall time is mostly waiting for a core: the
    // program's own CPU time beside it (a server's own work not included).
    std::printf("open main window with the list: %.1f ms (made in %.1f ms, shown in %.1f ms; CPU %.1f ms)\n",
                ms(t), created, ms(t) - created, (cpuSeconds() - cpuBefore) * 1e3);
    {
        // Its pieces: a connection of its own, and the list's keys.
        Database db;
        t.restart();
        db.open(location, &error, false);
        std::printf("  connect: %.1f ms\n", ms(t));
        DataSet probe;
        probe.setDatabase(&db);
        t.restart();
        probe.open(QStringLiteral("inr"));
        std::printf("  open the list (%d keys): %.1f ms\n", probe.recordCount(), ms(t));
    }

    // Searches: a narrow one by name, a narrow one by mobile, and one that
    // every row matches. The first on the window's connection is timed on
    // its own; then, as this machine's speed swings by up to 1.5 times from
    // minute to minute, each runs five times in turns and the best and the
    // middle time are printed, beside the statement alone (on a set of its
    // own) and the store's bare scan (counts with the same filter, no keys).
    struct Search
    {
        const char* box;
        QString column, text;
    };
    struct Times
    {
        QVector<double> shown, took, statement, scan, ownCpu, otherCpu;
    };
    QVector<Search> searches{{"Edit25", QStringLiteral("姓名"), QStringLiteral("张1234")},
                             {"Edit26", QStringLiteral("手机"), QStringLiteral("12345")},
                             {"Edit26", QStringLiteral("手机"), QStringLiteral("1")}};
    // A search that scans shows its first screenful and finds the rest in
    // the event loop: the time to the painted first screenful, and to the end.
    QTableView* grid = f->findChild<QTableView*>(QStringLiteral("DBGridEh1"));
    double shown = 0;
    // The CPU time of the window's thread and of the others (a scan's part
    // on a connection of its own): on a machine busy with other work the
    // wall time says little, and the longer of the two is what it would be.
    double ownCpu = 0, otherCpu = 0;
    auto search = [&](const Search& s) {
        f->findChild<QLineEdit*>(QStringLiteral("Edit25"))->clear();
        f->findChild<QLineEdit*>(QStringLiteral("Edit26"))->clear();
        f->findChild<QLineEdit*>(QLatin1String(s.box))->setText(s.text);
        const double own0 = threadCpuSeconds(), all0 = cpuSeconds();
        t.restart();
        f->Button7Click();
        grid->viewport()->repaint();
        shown = ms(t);
        QApplication::processEvents();
        // As the program's event loop does: asleep while there is nothing to do.
        while (f->recipients()->isScanning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double took = ms(t);
        ownCpu = (threadCpuSeconds() - own0) * 1e3;
        otherCpu = (cpuSeconds() - all0) * 1e3 - ownCpu;
        return took;
    };
    const double first = search(searches.first());
    std::printf("first search on the window's connection, name \"张1234\" (%d found): %.1f ms\n",
                f->recipients()->recordCount(), first);
    QVector<int> found(searches.size());
    QVector<Times> times(searches.size());
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < searches.size(); ++i) {
            const Search& s = searches.at(i);
            Times& m = times[i];
            m.took << search(s);
            m.shown << shown;
            m.ownCpu << ownCpu;
            m.otherCpu << otherCpu;
            found[i] = f->recipients()->recordCount();
            const QString where = ContainsSearch::whereClause(s.column);
            const QVariant pattern = ContainsSearch::pattern(s.text);
            DataSet probe;
            probe.setDatabase(f->database());
            t.restart();
            probe.openScan(QStringLiteral("inr"), where, {pattern});
            probe.complete();
            m.statement << ms(t);
            QSqlQuery q(f->database()->db());
            q.prepare(QStringLiteral("SELECT COUNT(*), COUNT(*) FILTER (WHERE %1) FROM inr").arg(where));
            q.addBindValue(pattern);
            t.restart();
            q.exec();
            q.next();
            m.scan << ms(t);
        }
    }
    auto best = [](QVector<double> v) { return *std::min_element(v.cbegin(), v.cend()); };
    auto middle = [](QVector<double> v) {
        std::sort(v.begin(), v.end());
        return v.at(v.size() / 2);
    };
    for (int i = 0; i < searches.size(); ++i) {
        const Search& s = searches.at(i);
        const Times& m = times.at(i);
        std::printf("search %s \"%s\" (%d found): first screenful in %.1f ms, complete in %.1f ms (best; "
                    "middle %.1f, %.1f ms)\n",
                    s.column == QStringLiteral("姓名") ? "name" : "mobile", qPrintable(s.text), found.at(i),
                    best(m.shown), best(m.took), middle(m.shown), middle(m.took));
        std::printf("  statement only: best %.1f ms; the store's scan alone: best %.1f ms\n",
                    best(m.statement), best(m.scan));
        std::printf(
            "  CPU of the search: window's thread best %.1f ms (middle %.1f), other threads middle %.1f ms\n",
            best(m.ownCpu), middle(m.ownCpu), middle(m.otherCpu));
    }
    {
        DataSet probe;
        probe.setDatabase(f->database());
        probe.open(QStringLiteral("inr"));
        t.restart();
        probe.close();
        std::printf("releasing a full list: %.1f ms\n", ms(t));
    }
    t.restart();
    f->Button6Click();
    QApplication::processEvents();
    std::printf("refresh (full list, %d rows): %.1f ms\n", f->recipients()->recordCount(), ms(t));

    // Delete a thousand scattered rows, selected as separate ranges.
    QItemSelection sel;
    const int step = qMax(1, f->recipients()->recordCount() / 1000);
    int picked = 0;
    for (int r = 0; r < f->recipients()->recordCount() && picked < 1000; r += step, ++picked)
        sel.select(grid->model()->index(r, 0), grid->model()->index(r, grid->model()->columnCount() - 1));
    grid->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    const int before = f->recipients()->recordCount();
    t.restart();
    f->Button5Click(); // scripted OK
    QApplication::processEvents();
    std::printf("delete %d selected rows (%d -> %d): %.1f ms\n", picked, before,
                f->recipients()->recordCount(), ms(t));

    // Scroll page by page through the grid with a forced repaint each time.
    const int perPage = qMax(1, grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize());
    const int count = f->recipients()->recordCount();
    const int pages = 500;
    const int stride = qMax(1, count / pages);
    t.restart();
    int painted = 0;
    for (int r = 0; r < count; r += stride, ++painted) {
        grid->scrollTo(grid->model()->index(r, 3), QAbstractItemView::PositionAtTop);
        grid->viewport()->repaint();
        grid->verticalHeader()->viewport()->repaint();
    }
    std::printf("scroll across the grid: %d pages of %d rows, %.2f ms per page\n", painted, perPage,
                ms(t) / qMax(1, painted));
    t.restart();
    for (int i = 0; i < 200; ++i) {
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() + perPage);
        grid->viewport()->repaint();
        grid->verticalHeader()->viewport()->repaint();
    }
    std::printf("page down 200 times: %.2f ms per page\n", ms(t) / 200);
    return 0;
}
