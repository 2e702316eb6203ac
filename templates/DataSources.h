#pragma once

class DataSet;

// The datasets that other windows own and the printing windows read: the
// main window's sender and recipient lists and the Excel window's list.
// A single-print window prints the current rows of these, exactly as the
// grids show them (a search narrows what it prints). The owners register
// their sets when they are created; a missing set reads as a closed one.
namespace DataSources {

void setMainSenders(DataSet* set);    // MainForm.ADOQuery1
void setMainRecipients(DataSet* set); // MainForm.ADOQuery2
void setExcelRecipients(DataSet* set); // ExcelForm.ADOQuery1

DataSet* mainSenders();
DataSet* mainRecipients();
DataSet* excelRecipients();

} // namespace DataSources
