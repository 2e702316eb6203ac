#pragma once

#include "data/recognition/AddressCandidates.h"

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
        QString lastPart;        // the address piece just before it, or empty
        QString tokenBefore;     // the piece written just before it
        QString tokenAfter;      // the piece written just after it
        QString company;         // the company named just before it, or empty
        bool hospital = false;   // the address names a hospital
        bool university = false; // the address names a university or college
    };
    static Kind classify(const QString& value, const Context& context);
    // An address piece that ends with a hospital, or one of its campuses: "…医院", "…医院东单院区".
    static bool isHospital(const QString& part);
    // An address piece that ends with a university, or one of its campuses: "…大学", "…大学望江校区".
    static bool isUniversity(const QString& part);
    // Takes the department in brackets off a company and returns it:
    // "…有限公司（研发部）" -> "研发部"; empty where there is none.
    static QString takeDepartment(QString& company);
    // A school or hospital by its name alone, with no place or number in it
    // ("浙江大学医学院附属第一医院"): written before the address, the recipient's unit.
    static bool namesUnit(const QString& token);
    // Such a unit written before its region, when the address after the region has
    // no street of its own ("南京大学 南京市栖霞区 仙林校区4舍302"), is where in the
    // region the rest lies: moves it from the companies into the address, after the region.
    static void placeUnitBeforeRegion(AddressCandidates& c, const QString& text);
};
