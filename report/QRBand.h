#pragma once

#include <QColor>
#include <QList>
#include <QObject>

class TQuickRep;
class TQRDBText;

struct TQRBandSize
{
    double Height = 1270; // tenths of a millimetre
    double Width = 2300;
};

// The detail band: printed once per record, a white rectangle carrying the
// text items in creation order.
class TQRBand : public QObject
{
    Q_OBJECT
public:
    explicit TQRBand(TQuickRep* report);
    ~TQRBand() override;

    TQRBandSize Size;
    QColor Color = Qt::white;
    bool Transparent = false;

    TQuickRep* report() const { return m_report; }
    QList<TQRDBText*> items() const { return m_items; }

private:
    friend class TQRDBText;
    void addItem(TQRDBText* item);
    void removeItem(TQRDBText* item);

    TQuickRep* m_report;
    QList<TQRDBText*> m_items;
};
