#pragma once

#include <QString>
#include <QStringList>

class RegionTable;

// Several recipients written one after another on one line, each with its
// address and mobile: "甘肃天水市秦州区民主西路 8号 牛婷 18093806152 兰州市安宁区
// 安宁西路 88号 牛刚 13919037546". Cuts the line between them.
class InlineRecipients
{
public:
    // The recipients of one line, or the line itself when it holds one.
    static QStringList split(const QString& line, const RegionTable& regions);
};
