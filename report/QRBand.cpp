#include "report/QRBand.h"

#include "report/QRDBText.h"
#include "report/QuickRep.h"

TQRBand::TQRBand(TQuickRep* report) : QObject(report), m_report(report)
{
    if (m_report)
        m_report->addBand(this);
}

TQRBand::~TQRBand()
{
    const QList<TQRDBText*> items = m_items;
    for (TQRDBText* item : items)
        delete item;
    if (m_report)
        m_report->removeBand(this);
}

void TQRBand::addItem(TQRDBText* item)
{
    m_items.append(item);
}

void TQRBand::removeItem(TQRDBText* item)
{
    m_items.removeAll(item);
}
