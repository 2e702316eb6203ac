#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the tokens of one entry may be, before the name is chosen.
struct AddressCandidates
{
    // Address pieces in the order written; pure regions go first at the end.
    struct Part
    {
        QString text;
        bool region;               // nothing but region names
        bool maybeName;            // a short region that reads as a name ("邹城", "郑州")
        int shortOnly = -1;        // the deepest region, when written only in short forms
        bool startsRegion = false; // begins with a region and goes on after it
    };
    QList<Part> parts;
    QStringList remarks;
    QStringList labelledNames;
    QStringList strongNames;
    QStringList weakNames;
    QStringList labelledCompanies;
    QStringList companies;
    bool nameFromGlued = false;
    QString labelledDepartment; // under the name's label, before the name: "市场部 Lily Zhang"
};
