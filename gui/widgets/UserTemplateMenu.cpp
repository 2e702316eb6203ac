#include "gui/widgets/UserTemplateMenu.h"

#include "data/store/Database.h"
#include "templates/UserTemplates.h"

#include <QMenu>

namespace UserTemplateMenu {

QMenu* add(QMenu* menu, const std::function<Database*()>& database,
           const std::function<void(const QString& code)>& chosen)
{
    menu->addSeparator();
    QMenu* own = menu->addMenu(QStringLiteral("自定义模板"));
    own->setObjectName(menu->objectName() + QStringLiteral("UserTemplates"));
    auto fill = [own, database, chosen] {
        own->clear();
        QVector<TemplateDesign> list;
        Database* db = database ? database() : nullptr;
        QString error;
        if (db && db->isOpen())
            UserTemplates::list(*db, &list, &error);
        for (const TemplateDesign& d : list) {
            QAction* a = own->addAction(d.caption);
            a->setData(d.code);
            const QString code = d.code;
            QObject::connect(a, &QAction::triggered, own, [chosen, code] { chosen(code); });
        }
        // Greyed while there are none (or the address book cannot say).
        own->menuAction()->setEnabled(!list.isEmpty());
    };
    // Read again whenever the menu holding it opens.
    QObject::connect(menu, &QMenu::aboutToShow, own, fill);
    own->menuAction()->setEnabled(false);
    return own;
}

} // namespace UserTemplateMenu
