#pragma once

class Database;
class QWidget;

// "导入模板…" and "导出模板…": template files (.wbtemplate) to and from the
// address book, with the questions and messages of the windows.
namespace TemplateFileActions {

// Asks for a file and keeps its template as one of the shop's own, under
// a new code; a file that is refused says why and stores nothing.
bool importFile(QWidget* parent, Database* db);
// Asks for a template (the built-in ones with their saved calibration, and
// the shop's own) and a file, and writes it there.
bool exportOne(QWidget* parent, Database* db);

} // namespace TemplateFileActions
