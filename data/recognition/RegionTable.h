#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// The provinces, prefecture-level cities and counties of China, with the
// short forms people write ("河南" for 河南省, "郑州" for 郑州市, "黔东南州" for
// 黔东南苗族侗族自治州). Finds the regions at the start of an address, so that
// a missing province or city can be completed and the city named.
class RegionTable
{
public:
    enum Level
    {
        Province = 0,
        City = 1,
        County = 2
    };

    struct Region
    {
        QString name;
        Level level = Province;
        int parent = -1;
    };

    // One region written at the start of an address.
    struct Written
    {
        int region = -1;
        int start = 0;
        int end = 0;
        bool shortForm = false; // "郑州" rather than "郑州市"
    };

    // The regions an address starts with, and the ones they imply.
    struct Path
    {
        int province = -1;
        int city = -1;
        int county = -1;
        QVector<Written> written; // in the order they are written
        int length = 0;           // characters the written regions take
        bool ambiguous = false;   // another path of the same length leads to another city
    };

    // Reads the table from text (the layout of data/recognition/regions/regions.tsv).
    bool parse(const QByteArray& utf8, QString* error);
    // Reads the table compiled into the program, with its area codes and postcodes.
    bool loadBuiltIn(QString* error);
    // Reads the cities' area codes and postcode prefixes (the layout of
    // data/recognition/regions/citycodes.tsv); the regions must be read first.
    bool parseCityCodes(const QByteArray& utf8, QString* error);

    int size() const { return m_regions.size(); }
    const Region& region(int i) const { return m_regions.at(i); }
    int provinceOf(int region) const;
    // The county's city, or the city itself; -1 for a province.
    int cityOf(int region) const;
    // Whether a province's only city carries its own name (北京市, 上海市 …).
    bool isMunicipality(int province) const;
    bool isWithin(int region, int ancestor) const;

    // The regions at the very start of text.
    Path match(QStringView text) const;
    // One region and nothing else, a province or written in full, as no name
    // would be: "内蒙古", "包头市"; not "郑州".
    bool isRegionAlone(QStringView text) const;

    // The city an area code ("025") belongs to, or -1 when it is not listed.
    int cityOfAreaCode(const QString& code) const;
    // The listed cities whose postcodes begin like this one.
    QVector<int> citiesOfPostcode(const QString& postcode) const;
    // The first two digits of a province's postcodes ("江苏省": 21, 22); none
    // for the provinces without (Hong Kong, Macau, Taiwan).
    static QStringList postcodePrefixes(const QString& province);

private:
    struct Hit
    {
        int region;
        bool shortForm;
    };
    struct Best
    {
        QVector<Written> chain;
        int length = 0;
        bool ambiguous = false;
    };

    void addName(const QString& key, int region, bool shortForm);
    void addShortForms(int region);
    Best matchFrom(QStringView text, int pos, int last) const;

    QVector<Region> m_regions;
    QHash<QString, QVector<Hit>> m_names;
    QHash<QChar, quint32> m_lengths; // per first character, bit n: a name of n characters
    int m_longest = 0;
    QHash<QString, int> m_areaCodes;          // area code -> city
    QVector<QPair<QString, int>> m_postcodes; // postcode prefix -> city
};
