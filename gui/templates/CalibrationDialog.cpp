#include "gui/templates/CalibrationDialog.h"

#include "exchange/OutputGuard.h"
#include "gui/widgets/Dialogs.h"
#include "report/QuickRep.h"
#include "report/ReportPrinter.h"
#include "templates/CalibrationSheet.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateReport.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
QDoubleSpinBox* spin(double min, double max, double step, int decimals, const QString& suffix)
{
    auto* s = new QDoubleSpinBox;
    s->setRange(min, max);
    s->setSingleStep(step);
    s->setDecimals(decimals);
    s->setSuffix(suffix);
    return s;
}
} // namespace

CalibrationDialog::CalibrationDialog(TemplateReport* tpl, QWidget* parent, const QString& databasePath)
    : QDialog(parent), m_tpl(tpl), m_databasePath(databasePath)
{
    setObjectName(QStringLiteral("CalibrationDialog"));
    setWindowTitle(QStringLiteral("校准 - %1").arg(tpl->caption()));
    const double maxMm = LayoutAdjustments::kMaxOffsetTenths / 10.0;
    m_dx = spin(-maxMm, maxMm, 0.1, 1, QStringLiteral(" 毫米"));
    m_dy = spin(-maxMm, maxMm, 0.1, 1, QStringLiteral(" 毫米"));
    m_scaleX = spin(LayoutAdjustments::kMinScale, LayoutAdjustments::kMaxScale, 0.1, 2, QStringLiteral(" %"));
    m_scaleY = spin(LayoutAdjustments::kMinScale, LayoutAdjustments::kMaxScale, 0.1, 2, QStringLiteral(" %"));
    m_dx->setObjectName(QStringLiteral("dx"));
    m_dy->setObjectName(QStringLiteral("dy"));

    auto* box = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("打印校准页，量出十字与运单格子左上角相差多少，填入下面。\n"
                                           "正数向右、向下移动。对本模板的四种打印方式都有效。"));
    box->addWidget(hint);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("左右偏移："), m_dx);
    form->addRow(QStringLiteral("上下偏移："), m_dy);
    form->addRow(QStringLiteral("横向缩放："), m_scaleX);
    form->addRow(QStringLiteral("纵向缩放："), m_scaleY);
    box->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* print = buttons->addButton(QStringLiteral("打印校准页…"), QDialogButtonBox::ActionRole);
    QPushButton* pdf = buttons->addButton(QStringLiteral("校准页存为 PDF…"), QDialogButtonBox::ActionRole);
    QPushButton* reset = buttons->addButton(QStringLiteral("恢复默认"), QDialogButtonBox::ResetRole);
    connect(print, &QPushButton::clicked, this, &CalibrationDialog::printSheet);
    connect(pdf, &QPushButton::clicked, this, &CalibrationDialog::saveSheet);
    connect(reset, &QPushButton::clicked, this, &CalibrationDialog::restoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(buttons);

    const TemplateAdjustment& a = tpl->adjustment();
    setValues(a.dx, a.dy, a.scaleX, a.scaleY);
}

int CalibrationDialog::dx() const
{
    return int(std::lround(m_dx->value() * 10));
}

int CalibrationDialog::dy() const
{
    return int(std::lround(m_dy->value() * 10));
}

double CalibrationDialog::scaleX() const
{
    return m_scaleX->value();
}

double CalibrationDialog::scaleY() const
{
    return m_scaleY->value();
}

void CalibrationDialog::setValues(int dx, int dy, double scaleX, double scaleY)
{
    m_dx->setValue(dx / 10.0);
    m_dy->setValue(dy / 10.0);
    m_scaleX->setValue(scaleX);
    m_scaleY->setValue(scaleY);
}

void CalibrationDialog::restoreDefaults()
{
    setValues(0, 0, 100, 100);
}

template <typename F>
void CalibrationDialog::withShownCalibration(F f)
{
    TQRCalibration& c = m_tpl->report()->Calibration;
    const TQRCalibration saved = c;
    c.Dx = dx();
    c.Dy = dy();
    c.ScaleX = scaleX() / 100.0;
    c.ScaleY = scaleY() / 100.0;
    f();
    c = saved;
}

void CalibrationDialog::printSheet()
{
    QPrinter printer(QPrinter::HighResolution);
    ReportPrinter::setup(&printer, m_tpl->report());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印校准页"));
    // A file is written by "存为 PDF", which goes through the output guard.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (Dialogs::exec(&dialog) != QDialog::Accepted)
        return;
    QString error;
    if (!printer.outputFileName().isEmpty() &&
        !OutputGuard::check(printer.outputFileName(), m_databasePath, &error)) {
        Dialogs::error(this, error);
        return;
    }
    withShownCalibration([&] {
        QPainter painter;
        if (!painter.begin(&printer)) {
            Dialogs::error(this, QStringLiteral("无法打印校准页。"));
            return;
        }
        CalibrationSheet::paint(&painter, *m_tpl);
        painter.end();
    });
}

void CalibrationDialog::saveSheet()
{
    QString path = Dialogs::saveFileName(this, QStringLiteral("校准页存为 PDF"), QString(),
                                         QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    QString error;
    if (!OutputGuard::check(path, m_databasePath, &error)) {
        Dialogs::error(this, error);
        return;
    }
    bool ok = false;
    withShownCalibration([&] { ok = CalibrationSheet::writePdf(*m_tpl, path, &error); });
    if (!ok)
        Dialogs::error(this, error);
}
