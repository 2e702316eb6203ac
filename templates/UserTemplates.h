#pragma once

#include "templates/TemplateDesign.h"

#include <QString>
#include <QVector>

class Database;

// The shop's own templates, kept in the address book (table
// user_template): on a server every computer sees the same ones, a backup
// carries them, and another computer's change is announced as a change of
// the table. A template's printer calibration and word rule are kept with
// the built-in ones' (LayoutAdjustments, under its code); load() and save()
// carry them in the value.
class UserTemplates
{
public:
    static const QString kTable; // "user_template"

    // Every template, in the order they were made; an address book without
    // the table holds none.
    static bool list(Database& db, QVector<TemplateDesign>* out, QString* error);
    static bool load(Database& db, const QString& code, TemplateDesign* out, QString* error);
    // Adds or replaces the template of design.code, after checking it as a
    // template file is checked. A built-in template's code is refused.
    static bool save(Database& db, const TemplateDesign& design, QString* error);
    // Forgets the template and its adjustments; an unknown code is an error.
    static bool remove(Database& db, const QString& code, QString* error);
    // A code no template of the address book has: "u-" and letters.
    static QString newCode(Database& db);
    // Whether code may name one of the shop's templates: 1 to 40 of A-Z,
    // a-z, 0-9, '-' and '_', and no built-in template's code.
    static bool checkCode(const QString& code, QString* error);

    static bool ensureTable(Database& db, QString* error);
};
