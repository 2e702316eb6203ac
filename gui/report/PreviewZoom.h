#pragma once

#include <QString>

class QAction;
class ReportPageView;

// How large the preview shows its page: fitted whole, fitted to the width,
// or a percent of true size; with the three toolbar buttons kept checked
// to match and the choice as text for the program's settings.
class PreviewZoom
{
public:
    enum class Mode
    {
        Fit,
        FitWidth,
        Percent
    };

    // Zoom in percent of true size, as Ctrl + wheel and Ctrl +/- set it.
    static constexpr double kMinPercent = 10;
    static constexpr double kMaxPercent = 400;

    void setView(ReportPageView* view) { m_view = view; }
    // The toolbar's "合适大小", "合适宽度" and "缩放100%".
    void setActions(QAction* fit, QAction* width, QAction* hundred);

    Mode mode() const { return m_mode; }
    // Displayed scale: screen pixels per page pixel at 100 %.
    double factor() const;
    // The page's scale for the mode, again (the viewport changed).
    void apply();
    void fit();
    void fitWidth();
    void hundred();
    // Any percent, bounded to kMinPercent..kMaxPercent.
    void setPercent(double percent);
    // The next of the usual steps (10, 25, 50 ... 300, 400 %) up (steps > 0) or down.
    void by(int steps);

    // "fit", "width" or the percent; anything else reads as fit.
    QString text() const;
    void setText(const QString& text);

private:
    ReportPageView* m_view = nullptr;
    QAction* m_fit = nullptr;
    QAction* m_width = nullptr;
    QAction* m_hundred = nullptr;
    Mode m_mode = Mode::Fit;
    double m_percent = 100;
};
