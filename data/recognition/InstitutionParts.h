#pragma once

#include <QString>

// What a piece written after a company, school or hospital is: one of its
// departments, a note ("…有限公司 研发中心", "…大学 化工学院"), or a part of
// the address inside it ("…医院 住院部", "…门诊楼3楼 儿保科").
class InstitutionParts
{
public:
    enum Kind
    {
        Other,
        Department,
        Inside,
    };
    struct Context
    {
        QString lastPart;      // the address piece just before it, or empty
        QString tokenBefore;   // the piece written just before it
        QString company;       // the company named just before it, or empty
        bool hospital = false; // the address names a hospital
    };
    static Kind classify(const QString& value, const Context& context);
    // Takes the department in brackets off a company and returns it:
    // "…有限公司（研发部）" -> "研发部"; empty where there is none.
    static QString takeDepartment(QString& company);
    // A school or hospital by its name alone, with no place or number in it
    // ("浙江大学医学院附属第一医院"): written before the address, the recipient's unit.
    static bool namesUnit(const QString& token);
};
