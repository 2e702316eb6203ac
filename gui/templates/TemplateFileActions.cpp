#include "gui/templates/TemplateFileActions.h"

#include "data/store/Database.h"
#include "gui/widgets/Dialogs.h"
#include "templates/BuiltInDesign.h"
#include "templates/LabelTemplates.h"
#include "templates/LayoutAdjustments.h"
#include "templates/TemplateFile.h"
#include "templates/UserTemplates.h"
#include "templates/layouts/Catalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>

namespace TemplateFileActions {

namespace {
QString filter()
{
    return QStringLiteral("模板文件 (*.%1)").arg(QString::fromLatin1(TemplateFile::kSuffix));
}
} // namespace

bool importFile(QWidget* parent, Database* db)
{
    if (!db || !db->isOpen())
        return false;
    const QString path = Dialogs::openFileName(parent, QStringLiteral("导入模板"), {}, filter());
    if (path.isEmpty())
        return false;
    TemplateDesign design;
    QString error;
    if (!TemplateFile::read(path, &design, &error)) {
        Dialogs::error(parent, error);
        return false;
    }
    design.code = UserTemplates::newCode(*db);
    design.builtIn = false;
    if (design.caption.trimmed().isEmpty())
        design.caption = QFileInfo(path).completeBaseName();
    if (!UserTemplates::save(*db, design, &error)) {
        Dialogs::error(parent, error);
        return false;
    }
    Dialogs::message(parent,
                     QStringLiteral("已导入模板“%1”，它在打印菜单的“自定义模板”中。").arg(design.caption));
    return true;
}

bool exportOne(QWidget* parent, Database* db)
{
    if (!db || !db->isOpen())
        return false;
    QVector<TemplateDesign> own;
    QString error;
    if (!UserTemplates::list(*db, &own, &error)) {
        Dialogs::error(parent, error);
        return false;
    }
    // Menu order: the twenty, the shop's own, then the labels to start from.
    QStringList captions, codes;
    for (int i = 0; i < layouts::templateCount(); ++i) {
        captions << QString::fromUtf8(layouts::templateAt(i).menuCaption);
        codes << QString::fromLatin1(layouts::templateAt(i).code);
    }
    for (const TemplateDesign& d : own) {
        captions << d.caption;
        codes << d.code;
    }
    const QVector<TemplateDesign> labels = LabelTemplates::all();
    for (const TemplateDesign& d : labels) {
        captions << d.caption;
        codes << d.code;
    }
    QInputDialog ask(parent);
    ask.setWindowTitle(QStringLiteral("导出模板"));
    ask.setLabelText(QStringLiteral("要导出的模板："));
    ask.setComboBoxItems(captions);
    ask.setComboBoxEditable(false);
    if (Dialogs::exec(&ask) != QDialog::Accepted)
        return false;
    const int index = std::max(0, int(captions.indexOf(ask.textValue())));
    const QString code = codes.at(index);
    TemplateDesign design;
    if (const layouts::Template* t = layouts::findTemplate(code)) {
        design = builtInDesign(*t, layouts::Variant::Single, LayoutAdjustments::load(*db, code));
    } else if (index >= layouts::templateCount() + own.size()) {
        design = labels.at(index - layouts::templateCount() - int(own.size()));
    } else {
        design = own.at(index - layouts::templateCount());
    }
    QString path = Dialogs::saveFileName(
        parent, QStringLiteral("导出模板"),
        design.caption + QLatin1Char('.') + QString::fromLatin1(TemplateFile::kSuffix), filter());
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + QString::fromLatin1(TemplateFile::kSuffix);
    if (!TemplateFile::write(path, design, &error)) {
        Dialogs::error(parent, error);
        return false;
    }
    Dialogs::message(
        parent,
        QStringLiteral("已把模板“%1”导出到 %2。").arg(design.caption, QDir::toNativeSeparators(path)));
    return true;
}

} // namespace TemplateFileActions
