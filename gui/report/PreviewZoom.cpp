#include "gui/report/PreviewZoom.h"

#include "gui/report/ReportPageView.h"

#include <QAction>

#include <algorithm>
#include <iterator>

void PreviewZoom::setActions(QAction* fit, QAction* width, QAction* hundred)
{
    m_fit = fit;
    m_width = width;
    m_hundred = hundred;
}

double PreviewZoom::factor() const
{
    return m_view->scale() / m_view->percentScale(100);
}

void PreviewZoom::apply()
{
    switch (m_mode) {
    case Mode::Fit:
        m_view->setScale(m_view->fitScale());
        break;
    case Mode::FitWidth:
        m_view->setScale(m_view->widthScale());
        break;
    case Mode::Percent:
        m_view->setScale(m_view->percentScale(m_percent));
        break;
    }
}

void PreviewZoom::fit()
{
    m_mode = Mode::Fit;
    m_fit->setChecked(true);
    apply();
}

void PreviewZoom::fitWidth()
{
    m_mode = Mode::FitWidth;
    m_width->setChecked(true);
    apply();
}

void PreviewZoom::hundred()
{
    m_mode = Mode::Percent;
    m_percent = 100;
    m_hundred->setChecked(true);
    apply();
}

void PreviewZoom::setPercent(double percent)
{
    m_mode = Mode::Percent;
    m_percent = std::clamp(percent, kMinPercent, kMaxPercent);
    const bool at100 = qFuzzyCompare(m_percent, 100.0);
    m_hundred->setChecked(at100);
    if (!at100) {
        m_fit->setChecked(false);
        m_width->setChecked(false);
    }
    apply();
}

void PreviewZoom::by(int steps)
{
    static constexpr double kSteps[] = {10, 25, 50, 75, 100, 125, 150, 200, 300, 400};
    // From what is shown, which fit and fit width leave at any percent.
    double percent = factor() * 100;
    for (; steps > 0; --steps) {
        const auto* up =
            std::find_if(std::begin(kSteps), std::end(kSteps), [&](double s) { return s > percent + 0.5; });
        percent = up != std::end(kSteps) ? *up : kMaxPercent;
    }
    for (; steps < 0; ++steps) {
        const auto below =
            std::find_if(std::rbegin(kSteps), std::rend(kSteps), [&](double s) { return s < percent - 0.5; });
        percent = below != std::rend(kSteps) ? *below : kMinPercent;
    }
    setPercent(percent);
}

QString PreviewZoom::text() const
{
    switch (m_mode) {
    case Mode::FitWidth:
        return QStringLiteral("width");
    case Mode::Percent:
        return QString::number(m_percent);
    case Mode::Fit:
        break;
    }
    return QStringLiteral("fit");
}

void PreviewZoom::setText(const QString& text)
{
    bool isNumber = false;
    const double percent = text.toDouble(&isNumber);
    if (text == QLatin1String("width"))
        fitWidth();
    else if (isNumber && percent > 0)
        setPercent(percent);
    else
        fit();
}
