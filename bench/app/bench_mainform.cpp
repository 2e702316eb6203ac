// Main window with a large recipient list: opening, searching, deleting a
// thousand selected rows and scrolling the grid. Prints its figures.
// Run headless: QT_QPA_PLATFORM=offscreen bench_mainform [rows]
#include "app/MainForm.h"
#include "data/DataSet.h"
#include "data/Database.h"
#include "data/Transaction.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelection>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

bool fill(int rows)
{
    Database db;
    QString error;
    if (!db.open(Database::defaultPath(), &error, true)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    Transaction tx(db.db());
    QSqlQuery q(db.db());
    q.prepare(
        QStringLiteral("INSERT INTO inr (姓名, 城市, 邮编, 收件单位, 地址, 手机, 电话, 内件品名, 数量, 备注, "
                       "快递单号) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '')"));
    const QStringList family{QStringLiteral("张"), QStringLiteral("王"), QStringLiteral("李"),
                             QStringLiteral("赵"), QStringLiteral("刘")};
    for (int i = 0; i < rows; ++i) {
        q.bindValue(0, family[i % family.size()] + QString::number(i));
        q.bindValue(1, QStringLiteral("上海市"));
        q.bindValue(2, QStringLiteral("200000"));
        q.bindValue(3, QStringLiteral("某某贸易有限公司"));
        q.bindValue(4, QStringLiteral("浦东新区世纪大道%1号%2室").arg(i % 2000).arg(i % 97));
        q.bindValue(5, QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
        q.bindValue(6, QStringLiteral("021-5555%1").arg(i % 10000, 4, 10, QLatin1Char('0')));
        q.bindValue(7, QStringLiteral("文件"));
        q.bindValue(8, QStringLiteral("1"));
        q.bindValue(9, QString());
        if (!q.exec())
            return false;
    }
    q.finish();
    return tx.commit(&error);
}

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FontSetup::install();
    Dialogs::setScripted(true);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    qputenv("XDG_DESKTOP_DIR", QFile::encodeName(dir.filePath(QStringLiteral("Desktop"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("share"))));
    QElapsedTimer t;
    t.start();
    if (!fill(rows))
        return 1;
    std::printf("rows: %d (filled in %.0f ms)\n", rows, ms(t));

    t.restart();
    QString error;
    std::unique_ptr<TMainForm> f(TMainForm::create(&error));
    if (!f) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    f->show();
    QApplication::processEvents();
    std::printf("open main window with the list: %.1f ms\n", ms(t));

    // Searches: a narrow one, a wide one, and the refresh back.
    f->findChild<QLineEdit*>(QStringLiteral("Edit25"))->setText(QStringLiteral("张1234"));
    t.restart();
    f->Button7Click();
    QApplication::processEvents();
    std::printf("search name \"张1234\" (%d found): %.1f ms\n", f->recipients()->recordCount(), ms(t));
    {
        // The pieces of a search: the statement alone on a set of its own,
        // and the release of the full list.
        DataSet probe;
        probe.setDatabase(f->database());
        t.restart();
        probe.open(QStringLiteral("inr"), QStringLiteral("\"姓名\" LIKE ? ESCAPE '\\'"),
                   {QStringLiteral("%张1234%")});
        std::printf("  statement only: %.1f ms\n", ms(t));
        probe.open(QStringLiteral("inr"));
        t.restart();
        probe.close();
        std::printf("  releasing a full list: %.1f ms\n", ms(t));
    }
    f->findChild<QLineEdit*>(QStringLiteral("Edit25"))->clear();
    f->findChild<QLineEdit*>(QStringLiteral("Edit26"))->setText(QStringLiteral("12345"));
    t.restart();
    f->Button7Click();
    QApplication::processEvents();
    std::printf("search mobile \"12345\" (%d found): %.1f ms\n", f->recipients()->recordCount(), ms(t));
    f->findChild<QLineEdit*>(QStringLiteral("Edit26"))->setText(QStringLiteral("1"));
    t.restart();
    f->Button7Click();
    QApplication::processEvents();
    std::printf("search mobile \"1\" (%d found): %.1f ms\n", f->recipients()->recordCount(), ms(t));
    t.restart();
    f->Button6Click();
    QApplication::processEvents();
    std::printf("refresh (full list, %d rows): %.1f ms\n", f->recipients()->recordCount(), ms(t));

    // Delete a thousand scattered rows, selected as separate ranges.
    QTableView* grid = f->findChild<QTableView*>(QStringLiteral("DBGridEh1"));
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
