#pragma once

#include <QDialog>

class QDoubleSpinBox;
class TemplateReport;

// "校准": how far the printer is off for one template (millimetres, 0.1 mm
// steps, positive right and down) and how much it stretches (percent), with
// a calibration sheet to print and measure. The values apply to all four
// variants of the template once the dialog is confirmed.
class CalibrationDialog : public QDialog
{
    Q_OBJECT
public:
    // databasePath: the address book in use, which the saved sheet must not replace.
    CalibrationDialog(TemplateReport* tpl, QWidget* parent = nullptr, const QString& databasePath = {});

    // Tenths of a millimetre and percent, as shown.
    int dx() const;
    int dy() const;
    double scaleX() const;
    double scaleY() const;
    void setValues(int dx, int dy, double scaleX, double scaleY);

public slots:
    void printSheet();
    void saveSheet();
    void restoreDefaults();

private:
    // Runs f with the dialog's values applied to the report, then puts the
    // saved ones back.
    template <typename F>
    void withShownCalibration(F f);

    TemplateReport* m_tpl;
    QString m_databasePath;
    QDoubleSpinBox* m_dx = nullptr;
    QDoubleSpinBox* m_dy = nullptr;
    QDoubleSpinBox* m_scaleX = nullptr;
    QDoubleSpinBox* m_scaleY = nullptr;
};
