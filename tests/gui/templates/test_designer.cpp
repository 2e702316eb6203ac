#include "../../TestStore.h"
#include "data/store/Database.h"
#include "gui/templates/DesignerDocument.h"
#include "gui/templates/DesignerItem.h"
#include "gui/templates/DesignerProperties.h"
#include "gui/templates/DesignerScene.h"
#include "gui/templates/DesignerSnap.h"
#include "gui/templates/DesignerView.h"
#include "gui/templates/DesignerWindow.h"
#include "gui/widgets/Dialogs.h"
#include "report/FontSetup.h"
#include "templates/UserTemplates.h"

#include <QAction>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<QRectF>)
Q_DECLARE_METATYPE(QVector<QPointF>)

// The template designer: where snapping puts a box, a whole editing
// session undone and redone, saved and opened again, and the question
// before unsaved changes are lost.
class TestDesigner : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void snap_data();
    void snap();
    void arrange_data();
    void arrange();
    void session();
    void closeAsks_data();
    void closeAsks();

private:
    int savedCount();
    QString m_book;
    QTemporaryDir m_dir;
};

void TestDesigner::initTestCase()
{
    WAYBILL_REQUIRE_STORE();
    FontSetup::install();
    Dialogs::setScripted(true);
    m_book = TestStore::location(m_dir.filePath(QStringLiteral("data.mdb")));
    Database db;
    QString error;
    QVERIFY2(db.open(m_book, &error), qPrintable(error));
}

int TestDesigner::savedCount()
{
    Database db;
    QString error;
    QVector<TemplateDesign> list;
    if (!db.open(m_book, &error, false) || !UserTemplates::list(db, &list, &error))
        return -1;
    return list.size();
}

void TestDesigner::snap_data()
{
    // edges 0: a move (snapMove); else a resize of those edges.
    QTest::addColumn<QRectF>("box");
    QTest::addColumn<int>("edges");
    QTest::addColumn<QVector<QRectF>>("others");
    QTest::addColumn<QRectF>("expected");
    const int R = Qt::RightEdge, B = Qt::BottomEdge, L = Qt::LeftEdge, T = Qt::TopEdge;
    const QVector<QRectF> none;
    const QVector<QRectF> one{QRectF(10, 10, 30, 5)};
    QTest::newRow("move: corner onto the grid")
        << QRectF(10.2, 20.8, 30, 6) << 0 << none << QRectF(10, 21, 30, 6);
    QTest::newRow("move: a quarter rounds up")
        << QRectF(10.26, 3.74, 5, 5) << 0 << none << QRectF(10.5, 3.5, 5, 5);
    QTest::newRow("move: left onto right edge, top onto top")
        << QRectF(40.7, 10.3, 20, 5) << 0 << one << QRectF(40, 10, 20, 5);
    QTest::newRow("move: right onto an edge off the grid")
        << QRectF(18.6, 50.2, 20, 5) << 0 << QVector<QRectF>{QRectF(39.3, 0, 10, 5)}
        << QRectF(19.3, 50, 20, 5);
    QTest::newRow("move: the nearer of two edges")
        << QRectF(0.4, 30, 10, 5) << 0 << QVector<QRectF>{QRectF(-20, 0, 20.1, 1), QRectF(10.6, 0, 5, 1)}
        << QRectF(0.6, 30, 10, 5);
    QTest::newRow("move: an edge beyond reach, the grid")
        << QRectF(41.3, 12.2, 20, 5) << 0 << one << QRectF(41.5, 12, 20, 5);
    QTest::newRow("resize: right edge onto the grid")
        << QRectF(10, 10, 20.3, 6) << R << none << QRectF(10, 10, 20.5, 6);
    QTest::newRow("resize: bottom onto a top off the grid")
        << QRectF(10, 10, 20, 6.8) << B << QVector<QRectF>{QRectF(0, 17.1, 5, 5)} << QRectF(10, 10, 20, 7.1);
    QTest::newRow("resize: top-left corner, the rest stays")
        << QRectF(9.8, 4.1, 20.2, 5.9) << (T | L) << none << QRectF(10, 4, 20, 6);
    QTest::newRow("resize: never thinner than 1 mm")
        << QRectF(29.8, 10, 0.2, 6) << L << none << QRectF(29, 10, 1, 6);
}

void TestDesigner::snap()
{
    QFETCH(QRectF, box);
    QFETCH(int, edges);
    QFETCH(QVector<QRectF>, others);
    QFETCH(QRectF, expected);
    const double tolerance = 1.0;
    const QRectF got = edges ? DesignerSnap::snapResize(box, Qt::Edges(edges), others, tolerance)
                             : box.translated(DesignerSnap::snapMove(box, others, tolerance));
    QVERIFY2(qAbs(got.left() - expected.left()) < 1e-9 && qAbs(got.top() - expected.top()) < 1e-9 &&
                 qAbs(got.width() - expected.width()) < 1e-9 && qAbs(got.height() - expected.height()) < 1e-9,
             qPrintable(QStringLiteral("got %1,%2 %3x%4")
                            .arg(got.left())
                            .arg(got.top())
                            .arg(got.width())
                            .arg(got.height())));
}

void TestDesigner::arrange_data()
{
    using A = DesignerEdits::AlignTo;
    QTest::addColumn<QVector<QRectF>>("boxes");
    QTest::addColumn<int>("op"); // an AlignTo, or -1 / -2: distribute across / down
    QTest::addColumn<QVector<QPointF>>("expected");
    const QVector<QRectF> three{QRectF(10, 5, 20, 5), QRectF(14, 20, 30, 5), QRectF(30, 40, 10, 5)};
    QTest::newRow("左对齐") << three << int(A::Left) << QVector<QPointF>{{10, 5}, {10, 20}, {10, 40}};
    QTest::newRow("右对齐") << three << int(A::Right) << QVector<QPointF>{{24, 5}, {14, 20}, {34, 40}};
    QTest::newRow("水平居中") << three << int(A::HCenter) << QVector<QPointF>{{17, 5}, {12, 20}, {22, 40}};
    QTest::newRow("底端对齐") << three << int(A::Bottom) << QVector<QPointF>{{10, 40}, {14, 40}, {30, 40}};
    QTest::newRow("水平等距分布") << QVector<QRectF>{QRectF(0, 0, 10, 5), QRectF(12, 0, 10, 5),
                                                     QRectF(50, 0, 10, 5)}
                                  << -1 << QVector<QPointF>{{0, 0}, {25, 0}, {50, 0}};
    QTest::newRow("垂直等距分布, out of order")
        << QVector<QRectF>{QRectF(0, 50, 5, 10), QRectF(0, 0, 5, 10), QRectF(0, 12, 5, 10)} << -2
        << QVector<QPointF>{{0, 50}, {0, 0}, {0, 25}};
}

void TestDesigner::arrange()
{
    QFETCH(QVector<QRectF>, boxes);
    QFETCH(int, op);
    QFETCH(QVector<QPointF>, expected);
    TemplateDesign d = DesignerEdits::blank({100, 150});
    QVector<int> all;
    for (const QRectF& b : boxes) {
        DesignItem item = DesignerEdits::newItem(d, DesignItem::Kind::Text, {0, 0});
        DesignerEdits::setBox(&item, b);
        all << d.items.size();
        d.items << item;
    }
    if (op >= 0)
        DesignerEdits::align(&d, all, DesignerEdits::AlignTo(op));
    else
        DesignerEdits::distribute(&d, all, op == -1 ? Qt::Horizontal : Qt::Vertical);
    for (int i = 0; i < boxes.size(); ++i) {
        QCOMPARE(QPointF(d.items[i].leftMm, d.items[i].topMm), expected[i]);
        QCOMPARE(QSizeF(d.items[i].widthMm, d.items[i].heightMm), boxes[i].size());
    }
}

namespace {

// A photo of a blank form: paper, printed boxes and a slight tilt.
QString makePhoto(const QString& path)
{
    QImage img(800, 1200, QImage::Format_RGB32);
    img.fill(QColor(236, 232, 222));
    QPainter p(&img);
    p.rotate(0.6);
    p.setPen(QPen(QColor(60, 60, 90), 4));
    p.drawRect(40, 40, 720, 1120);
    for (int y = 240; y < 1100; y += 220)
        p.drawLine(40, y, 760, y);
    p.end();
    img.save(path, "JPG", 85);
    return path;
}

// Drags on the view's viewport from scene point a to b (millimetres).
void drag(DesignerView* view, const QPointF& a, const QPointF& b, Qt::KeyboardModifiers mods = {})
{
    QWidget* vp = view->viewport();
    const QPoint pa = view->mapFromScene(a);
    const QPoint pb = view->mapFromScene(b);
    QTest::mousePress(vp, Qt::LeftButton, mods, pa);
    QTest::mouseMove(vp, (pa + pb) / 2);
    QTest::mouseMove(vp, pb);
    QTest::mouseRelease(vp, Qt::LeftButton, mods, pb);
}

bool onGrid(double mm)
{
    return qAbs(mm * 2 - qRound(mm * 2)) < 1e-9;
}

} // namespace

void TestDesigner::session()
{
    TemplateSources sources;
    sources.databasePath = m_book;
    DesignerWindow w(sources);
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents(); // the first fit to the window
    w.view()->setZoomPercent(200);
    w.view()->centerOn(30, 30);
    DesignerDocument* doc = w.document();
    const TemplateDesign start = doc->design();
    const int before = savedCount();

    w.setPicture(makePhoto(m_dir.filePath(QStringLiteral("form.jpg"))));
    QVERIFY(w.scene()->pictureShown());
    w.action("addFieldAction")->trigger();
    QCOMPARE(doc->design().items.size(), 1);
    const DesignItem first = doc->design().items[0];
    QVERIFY(onGrid(first.leftMm) && onGrid(first.topMm));

    // Dragged by about 10.3 mm: lands on the grid.
    const double px = w.scene()->pixelMm();
    drag(w.view(), DesignerEdits::box(first).center(),
         DesignerEdits::box(first).center() + QPointF(10.3, 4.2));
    const DesignItem moved = doc->design().items[0];
    QVERIFY2(onGrid(moved.leftMm) && onGrid(moved.topMm), qPrintable(QString::number(moved.leftMm)));
    QVERIFY(qAbs(moved.leftMm - first.leftMm - 10.3) <= 0.25 + px);
    QVERIFY(qAbs(moved.topMm - first.topMm - 4.2) <= 0.25 + px);

    // A left edge off the grid, typed in the panel.
    auto* left = w.properties()->findChild<QDoubleSpinBox*>(QStringLiteral("left"));
    QVERIFY(left && left->isEnabled());
    left->setValue(moved.leftMm - 0.2);
    const double edge = moved.leftMm - 0.2;
    QCOMPARE(doc->design().items[0].leftMm, edge);

    // A second item dragged to just beside the first one's left edge lands
    // on that edge, off the grid.
    w.action("addTextAction")->trigger();
    QCOMPARE(doc->selection(), QStringList{QStringLiteral("item2")});
    const DesignItem text = doc->design().items[1];
    QVERIFY(!DesignerEdits::box(text).intersects(DesignerEdits::box(doc->design().items[0])));
    const QPointF grab = DesignerEdits::box(text).center();
    drag(w.view(), grab, grab + QPointF(edge + 0.3 - text.leftMm, 20));
    QCOMPARE(doc->design().items[1].leftMm, edge);

    // The bottom-right grip, then the arrow keys (0.1 mm, Shift 1 mm).
    const QRectF box = DesignerEdits::box(doc->design().items[1]);
    drag(w.view(), box.bottomRight(), box.bottomRight() + QPointF(5.2, 2.9));
    const DesignItem resized = doc->design().items[1];
    QCOMPARE(resized.leftMm, box.left());
    QVERIFY(onGrid(resized.leftMm + resized.widthMm) && onGrid(resized.topMm + resized.heightMm));
    QVERIFY(qAbs(resized.widthMm - box.width() - 5.2) <= 0.25 + px);
    w.view()->setFocus();
    QTest::keyClick(w.view()->viewport(), Qt::Key_Right);
    QTest::keyClick(w.view()->viewport(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(doc->design().items[1].leftMm, DesignerSnap::toTenth(resized.leftMm + 0.1));
    QCOMPARE(doc->design().items[1].topMm, DesignerSnap::toTenth(resized.topMm + 1));

    // A rubber band over both, Shift and a click takes one out again; then
    // the other copied, pasted beside it and the copy deleted.
    const QRectF both =
        DesignerEdits::box(doc->design().items[0]).united(DesignerEdits::box(doc->design().items[1]));
    drag(w.view(), both.topLeft() - QPointF(2, 2), both.bottomRight() + QPointF(2, 2));
    QCOMPARE(doc->selection().size(), 2);
    QTest::mouseClick(w.view()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      w.view()->mapFromScene(DesignerEdits::box(doc->design().items[0]).center()));
    QCOMPARE(doc->selection(), QStringList{QStringLiteral("item2")});
    w.action("copyAction")->trigger();
    w.action("pasteAction")->trigger();
    QCOMPARE(doc->selection(), QStringList{QStringLiteral("item3")});
    QCOMPARE(doc->design().items[2].leftMm, doc->design().items[1].leftMm + 2);
    QCOMPARE(doc->design().items[2].text, doc->design().items[1].text);
    w.action("deleteAction")->trigger();
    QCOMPARE(doc->design().items.size(), 2);

    // Back to the start, step by step, and forward again.
    const TemplateDesign end = doc->design();
    QUndoStack* stack = doc->undoStack();
    QCOMPARE(stack->count(), 10);
    while (stack->canUndo())
        stack->undo();
    QCOMPARE(doc->design(), start);
    QVERIFY(!w.scene()->pictureShown());
    QVERIFY(w.scene()->designerItems().isEmpty());
    while (stack->canRedo())
        stack->redo();
    QCOMPARE(doc->design(), end);
    QCOMPARE(w.scene()->designerItems().size(), 2);

    // Saved under the name asked, and opened again in another window.
    Dialogs::clear();
    Dialogs::answerText(QStringLiteral("我的标签"));
    w.action("saveAction")->trigger();
    QVERIFY(!doc->isModified());
    QCOMPARE(savedCount(), before + 1);
    const TemplateDesign saved = doc->design();
    QVERIFY(!saved.code.isEmpty());
    QCOMPARE(saved.caption, QStringLiteral("我的标签"));
    QVERIFY(saved.wordWrap); // a design of the shop's own wraps by words
    DesignerWindow again(sources);
    QString error;
    QVERIFY2(again.openSaved(saved.code, &error), qPrintable(error));
    QCOMPARE(again.document()->design(), saved);
    QVERIFY(again.scene()->pictureShown());
    // The copy went to the system clipboard: it pastes into this window too,
    // and other programs get its text.
    QCOMPARE(QGuiApplication::clipboard()->text(), saved.items[1].text);
    again.action("pasteAction")->trigger();
    QCOMPARE(again.document()->design().items.size(), 3);
    DesignItem pasted = again.document()->design().items[2];
    QCOMPARE(pasted.leftMm, saved.items[1].leftMm + 2);
    pasted.name = saved.items[1].name;
    pasted.leftMm = saved.items[1].leftMm;
    pasted.topMm = saved.items[1].topMm;
    QCOMPARE(pasted, saved.items[1]);
    QVERIFY(w.close());
}

void TestDesigner::closeAsks_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("stored");
    QTest::newRow("unchanged: no question") << false << int(QMessageBox::NoButton) << true << 0;
    QTest::newRow("保存") << true << int(QMessageBox::Save) << true << 1;
    QTest::newRow("不保存") << true << int(QMessageBox::Discard) << true << 0;
    QTest::newRow("取消") << true << int(QMessageBox::Cancel) << false << 0;
}

void TestDesigner::closeAsks()
{
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(int, stored);
    TemplateSources sources;
    sources.databasePath = m_book;
    DesignerWindow w(sources);
    w.show();
    const int before = savedCount();
    if (changed)
        w.action("addQrAction")->trigger();
    Dialogs::clear();
    Dialogs::answerButton(QMessageBox::StandardButton(answer));
    Dialogs::answerText(QStringLiteral("二维码标签"));
    QCOMPARE(w.close(), closes);
    QCOMPARE(savedCount(), before + stored);
    const QList<Dialogs::Shown> shown = Dialogs::shown();
    QCOMPARE(shown.isEmpty(), !changed);
    if (changed) {
        QCOMPARE(shown.first().text, QStringLiteral("未命名模板已修改，是否保存？"));
        QCOMPARE(shown.first().buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    }
    QCOMPARE(w.document()->isModified(), !closes);
}

QTEST_MAIN(TestDesigner)
#include "test_designer.moc"
