#include "templates/DataSources.h"

#include "data/DataSet.h"

#include <QPointer>

namespace DataSources {
namespace {
QPointer<DataSet> g_senders;
QPointer<DataSet> g_recipients;
QPointer<DataSet> g_excel;
} // namespace

void setMainSenders(DataSet* set) { g_senders = set; }
void setMainRecipients(DataSet* set) { g_recipients = set; }
void setExcelRecipients(DataSet* set) { g_excel = set; }

DataSet* mainSenders() { return g_senders; }
DataSet* mainRecipients() { return g_recipients; }
DataSet* excelRecipients() { return g_excel; }

} // namespace DataSources
