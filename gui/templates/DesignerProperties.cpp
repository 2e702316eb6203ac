#include "gui/templates/DesignerProperties.h"

#include "gui/templates/DesignerDocument.h"
#include "gui/templates/DesignerEdits.h"
#include "report/BarcodeSymbol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

DesignerProperties::DesignerProperties(DesignerDocument* doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("DesignerProperties"));
    build();
    connect(doc, &DesignerDocument::designChanged, this, &DesignerProperties::refresh);
    connect(doc, &DesignerDocument::selectionChanged, this, &DesignerProperties::refresh);
    refresh();
}

QDoubleSpinBox* DesignerProperties::mmBox(double min, double max)
{
    auto* b = new QDoubleSpinBox(this);
    b->setRange(min, max);
    b->setDecimals(1);
    b->setSingleStep(0.1);
    b->setSuffix(QStringLiteral(" mm"));
    b->setKeyboardTracking(false);
    return b;
}

void DesignerProperties::build()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);

    auto* page = new QGroupBox(QStringLiteral("模板"), this);
    auto* pf = new QFormLayout(page);
    m_caption = new QLineEdit(page);
    m_caption->setObjectName(QStringLiteral("caption"));
    pf->addRow(QStringLiteral("名称"), m_caption);
    m_pageW = mmBox(10, 1000);
    m_pageH = mmBox(10, 1000);
    pf->addRow(QStringLiteral("纸宽"), m_pageW);
    pf->addRow(QStringLiteral("纸高"), m_pageH);
    column->addWidget(page);

    m_itemGroup = new QGroupBox(QStringLiteral("项目"), this);
    auto* f = new QFormLayout(m_itemGroup);
    m_selectionNote = new QLabel(m_itemGroup);
    m_selectionNote->setWordWrap(true);
    f->addRow(m_selectionNote);
    m_kind = new QComboBox(m_itemGroup);
    m_kind->addItems({QStringLiteral("数据字段"), QStringLiteral("固定文字"),
                      QStringLiteral("条形码 (Code 128)"), QStringLiteral("二维码")});
    f->addRow(QStringLiteral("类型"), m_kind);
    m_source = new QComboBox(m_itemGroup);
    m_source->addItems({QStringLiteral("寄件人"), QStringLiteral("收件人"), QStringLiteral("打印日期")});
    f->addRow(QStringLiteral("来源"), m_source);
    m_column = new QComboBox(m_itemGroup);
    f->addRow(QStringLiteral("栏目"), m_column);
    m_text = new QLineEdit(m_itemGroup);
    m_text->setObjectName(QStringLiteral("text"));
    f->addRow(QStringLiteral("文字"), m_text);
    m_codeNote = new QLabel(m_itemGroup);
    m_codeNote->setObjectName(QStringLiteral("codeNote"));
    m_codeNote->setWordWrap(true);
    m_codeNote->setStyleSheet(QStringLiteral("color: #b00000"));
    f->addRow(QString(), m_codeNote);
    m_left = mmBox(0, 1000);
    m_top = mmBox(0, 1000);
    m_width = mmBox(0.5, 1000);
    m_height = mmBox(0.5, 1000);
    m_left->setObjectName(QStringLiteral("left"));
    m_width->setObjectName(QStringLiteral("width"));
    f->addRow(QStringLiteral("左"), m_left);
    f->addRow(QStringLiteral("上"), m_top);
    f->addRow(QStringLiteral("宽"), m_width);
    f->addRow(QStringLiteral("高"), m_height);
    m_family = new QComboBox(m_itemGroup);
    m_family->addItem(QStringLiteral("（默认宋体）"), QString());
    for (const QString& fam : QFontDatabase::families(QFontDatabase::SimplifiedChinese))
        m_family->addItem(fam, fam);
    f->addRow(QStringLiteral("字体"), m_family);
    m_size = new QDoubleSpinBox(m_itemGroup);
    m_size->setRange(1, 500);
    m_size->setDecimals(1);
    m_size->setSingleStep(0.5);
    m_size->setSuffix(QStringLiteral(" 磅"));
    m_size->setKeyboardTracking(false);
    f->addRow(QStringLiteral("字号"), m_size);
    m_bold = new QCheckBox(QStringLiteral("粗体"), m_itemGroup);
    f->addRow(QString(), m_bold);
    m_align = new QComboBox(m_itemGroup);
    m_align->addItems({QStringLiteral("左对齐"), QStringLiteral("居中"), QStringLiteral("右对齐")});
    f->addRow(QStringLiteral("对齐"), m_align);
    m_wrap = new QComboBox(m_itemGroup);
    m_wrap->addItems(
        {QStringLiteral("不换行"), QStringLiteral("按字节换行 (GBK)"), QStringLiteral("按框宽换行")});
    f->addRow(QStringLiteral("换行"), m_wrap);
    m_wrapBytes = new QSpinBox(m_itemGroup);
    m_wrapBytes->setRange(0, 1000);
    m_wrapBytes->setSuffix(QStringLiteral(" 字节"));
    m_wrapBytes->setKeyboardTracking(false);
    f->addRow(QStringLiteral("每行"), m_wrapBytes);
    m_lines = new QSpinBox(m_itemGroup);
    m_lines->setRange(0, 100);
    m_lines->setSpecialValueText(QStringLiteral("不限"));
    m_lines->setKeyboardTracking(false);
    f->addRow(QStringLiteral("行数"), m_lines);
    m_rotation = new QComboBox(m_itemGroup);
    m_rotation->addItems(
        {QStringLiteral("0°"), QStringLiteral("90°"), QStringLiteral("180°"), QStringLiteral("270°")});
    f->addRow(QStringLiteral("旋转"), m_rotation);
    m_human = new QCheckBox(QStringLiteral("条码下印文字"), m_itemGroup);
    f->addRow(QString(), m_human);
    m_hidden = new QCheckBox(QStringLiteral("不打印（隐藏）"), m_itemGroup);
    f->addRow(QString(), m_hidden);
    m_opaque = new QCheckBox(QStringLiteral("白底（遮住底下的字）"), m_itemGroup);
    f->addRow(QString(), m_opaque);
    column->addWidget(m_itemGroup);
    column->addStretch(1);

    using K = DesignItem::Kind;
    connect(m_caption, &QLineEdit::textEdited, this, [this](const QString& t) {
        editPage(QStringLiteral("caption"), [&](TemplateDesign& d) { d.caption = t.trimmed(); });
    });
    connect(m_pageW, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        editPage(QStringLiteral("pageW"), [&](TemplateDesign& d) {
            d.pageMm.setWidth(v);
            d.bandMm.setWidth(v);
        });
    });
    connect(m_pageH, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        editPage(QStringLiteral("pageH"), [&](TemplateDesign& d) {
            d.pageMm.setHeight(v);
            d.bandMm.setHeight(v);
        });
    });
    connect(m_kind, &QComboBox::activated, this, [this](int k) {
        editItem(QStringLiteral("kind"), [&](DesignItem& i) {
            i.kind = K(k);
            if (i.kind == K::Text && i.text.isEmpty())
                i.text = i.column.isEmpty() ? QStringLiteral("文字") : i.column;
            if (i.kind != K::Text && i.column.isEmpty() && i.text.isEmpty())
                i.column = QStringLiteral("快递单号");
        });
    });
    connect(m_source, &QComboBox::activated, this, [this](int s) {
        editItem(QStringLiteral("source"), [&](DesignItem& i) {
            i.source = DesignItem::Source(s);
            const QStringList cols = DesignerEdits::columns(i.source);
            if (!cols.contains(i.column))
                i.column = cols.value(0);
        });
    });
    connect(m_column, &QComboBox::activated, this, [this](int c) {
        const QString col = m_column->itemData(c).toString();
        editItem(QStringLiteral("column"), [&](DesignItem& i) { i.column = col; });
    });
    connect(m_text, &QLineEdit::textEdited, this, [this](const QString& t) {
        editItem(QStringLiteral("text"), [&](DesignItem& i) { i.text = t; });
    });
    auto boxEdit = [this](QDoubleSpinBox* b, const QString& field, double DesignItem::*member) {
        connect(b, &QDoubleSpinBox::valueChanged, this,
                [this, field, member](double v) { editItem(field, [&](DesignItem& i) { i.*member = v; }); });
    };
    boxEdit(m_left, QStringLiteral("left"), &DesignItem::leftMm);
    boxEdit(m_top, QStringLiteral("top"), &DesignItem::topMm);
    boxEdit(m_width, QStringLiteral("width"), &DesignItem::widthMm);
    boxEdit(m_height, QStringLiteral("height"), &DesignItem::heightMm);
    boxEdit(m_size, QStringLiteral("size"), &DesignItem::fontPt);
    connect(m_family, &QComboBox::activated, this, [this](int c) {
        const QString fam = m_family->itemData(c).toString();
        editItem(QStringLiteral("family"), [&](DesignItem& i) { i.fontFamily = fam; });
    });
    connect(m_bold, &QCheckBox::clicked, this,
            [this](bool on) { editItem(QStringLiteral("bold"), [&](DesignItem& i) { i.bold = on; }); });
    connect(m_align, &QComboBox::activated, this, [this](int a) {
        editItem(QStringLiteral("align"), [&](DesignItem& i) { i.align = DesignItem::Align(a); });
    });
    connect(m_wrap, &QComboBox::activated, this, [this](int w) {
        editItem(QStringLiteral("wrap"), [&](DesignItem& i) {
            i.wrap = DesignItem::Wrap(w);
            if (i.wrap == DesignItem::Wrap::Bytes && i.wrapBytes <= 0)
                i.wrapBytes = qMax(2, int(i.widthMm / (i.fontPt * 25.4 / 72.0) * 2));
        });
    });
    connect(m_wrapBytes, &QSpinBox::valueChanged, this, [this](int v) {
        editItem(QStringLiteral("wrapBytes"), [&](DesignItem& i) { i.wrapBytes = v; });
    });
    connect(m_lines, &QSpinBox::valueChanged, this,
            [this](int v) { editItem(QStringLiteral("lines"), [&](DesignItem& i) { i.maxLines = v; }); });
    connect(m_rotation, &QComboBox::activated, this, [this](int r) {
        editItem(QStringLiteral("rotation"), [&](DesignItem& i) { i.rotation = r * 90; });
    });
    connect(m_human, &QCheckBox::clicked, this, [this](bool on) {
        editItem(QStringLiteral("human"), [&](DesignItem& i) { i.humanReadable = on; });
    });
    connect(m_opaque, &QCheckBox::clicked, this,
            [this](bool on) { editItem(QStringLiteral("opaque"), [&](DesignItem& i) { i.opaque = on; }); });
    connect(m_hidden, &QCheckBox::clicked, this,
            [this](bool on) { editItem(QStringLiteral("hidden"), [&](DesignItem& i) { i.hidden = on; }); });
}

void DesignerProperties::editItem(const QString& field, const std::function<void(DesignItem&)>& change)
{
    if (m_loading)
        return;
    const QVector<int> sel = DesignerEdits::indexesOf(m_doc->design(), m_doc->selection());
    if (sel.size() != 1)
        return;
    TemplateDesign next = m_doc->design();
    DesignItem& item = next.items[sel.first()];
    change(item);
    m_doc->change(next, QStringLiteral("修改%1").arg(item.name), m_doc->selection(),
                  QStringLiteral("prop:%1:%2").arg(item.name, field));
}

void DesignerProperties::editPage(const QString& field, const std::function<void(TemplateDesign&)>& change)
{
    if (m_loading)
        return;
    TemplateDesign next = m_doc->design();
    change(next);
    m_doc->change(next, QStringLiteral("修改模板"), m_doc->selection(), QStringLiteral("page:") + field);
}

void DesignerProperties::fillColumns(DesignItem::Source source, const QString& current)
{
    m_column->clear();
    const QStringList cols = DesignerEdits::columns(source);
    if (!current.isEmpty() && !cols.contains(current))
        m_column->addItem(current, current);
    m_column->addItem(QStringLiteral("（固定文字）"), QString());
    for (const QString& c : cols)
        m_column->addItem(c, c);
    m_column->setCurrentIndex(qMax(0, m_column->findData(current)));
}

QString DesignerProperties::codeNote(const DesignItem& item)
{
    if (item.kind != DesignItem::Kind::Barcode)
        return {};
    if (item.column.isEmpty()) {
        const QString misfits = BarcodeSymbol::code128Misfits(item.text);
        return misfits.isEmpty()
                   ? QString()
                   : QStringLiteral("条码含有无法编码的字符“%1”：Code 128 只能用英文字母、数字和"
                                    "符号，这段文字印不出条码。")
                         .arg(misfits);
    }
    // Columns of numbers; the others mostly hold Chinese.
    static const QStringList plain{QStringLiteral("序号"), QStringLiteral("邮编"), QStringLiteral("手机"),
                                   QStringLiteral("电话"), QStringLiteral("数量"), QStringLiteral("快递单号"),
                                   QStringLiteral("年"),   QStringLiteral("月"),   QStringLiteral("日"),
                                   QStringLiteral("日期")};
    if (plain.contains(item.column))
        return {};
    return QStringLiteral(
               "“%1”多为中文，Code 128 条码无法编码中文：含中文的记录印不出条码，打印前会逐条提示。")
        .arg(item.column);
}

void DesignerProperties::refresh()
{
    m_loading = true;
    const TemplateDesign& d = m_doc->design();
    if (!m_caption->hasFocus())
        m_caption->setText(d.caption);
    m_pageW->setValue(d.pageMm.width());
    m_pageH->setValue(d.pageMm.height());

    const QVector<int> sel = DesignerEdits::indexesOf(d, m_doc->selection());
    const bool one = sel.size() == 1;
    // Without one item selected only the note shows, not a former item's values.
    for (QWidget* w : m_itemGroup->findChildren<QWidget*>())
        if (w != m_selectionNote && w->parentWidget() == m_itemGroup) {
            w->setEnabled(one);
            w->setVisible(one);
        }
    m_selectionNote->setText(sel.isEmpty() ? QStringLiteral("未选中项目。")
                             : one         ? QStringLiteral("项目 %1").arg(d.items[sel.first()].name)
                                           : QStringLiteral("已选中 %1 个项目。").arg(sel.size()));
    if (one) {
        const DesignItem& i = d.items[sel.first()];
        using K = DesignItem::Kind;
        m_kind->setCurrentIndex(int(i.kind));
        m_source->setCurrentIndex(int(i.source));
        fillColumns(i.source, i.column);
        if (!m_text->hasFocus())
            m_text->setText(i.text);
        m_source->setEnabled(i.kind != K::Text);
        m_column->setEnabled(i.kind != K::Text);
        m_text->setEnabled(i.kind == K::Text || i.column.isEmpty());
        const QString note = codeNote(i);
        m_codeNote->setText(note);
        m_codeNote->setVisible(!note.isEmpty());
        m_left->setValue(i.leftMm);
        m_top->setValue(i.topMm);
        m_width->setValue(i.widthMm);
        m_height->setValue(i.heightMm);
        if (m_family->findData(i.fontFamily) < 0)
            m_family->addItem(i.fontFamily, i.fontFamily);
        m_family->setCurrentIndex(m_family->findData(i.fontFamily));
        m_size->setValue(i.fontPt);
        m_bold->setChecked(i.bold);
        m_align->setCurrentIndex(int(i.align));
        m_wrap->setCurrentIndex(int(i.wrap));
        m_wrapBytes->setValue(i.wrapBytes);
        m_wrapBytes->setEnabled(i.wrap == DesignItem::Wrap::Bytes);
        m_lines->setValue(i.maxLines);
        m_rotation->setCurrentIndex(i.rotation / 90);
        m_human->setChecked(i.humanReadable);
        m_human->setEnabled(i.kind == K::Barcode);
        m_hidden->setChecked(i.hidden);
        m_opaque->setChecked(i.opaque);
    }
    m_loading = false;
}
