#pragma once

#include <QString>
#include <QStringList>

#include "data/recognition/AddressCandidates.h"
#include "data/recognition/AddressCompleter.h"
#include "data/recognition/AddressPlaces.h"
#include "data/recognition/ParsedRecipient.h"
#include "data/recognition/PasteTokenizer.h"
#include "data/recognition/RegionTable.h"

// Recognises a recipient in text as people paste it from chats and order
// pages: "张三 13800138000 河南省郑州市金水区花园路12号", fields in any order,
// with any separators, with or without labels such as "收货人:". The address
// comes out province first, with a missing province or city completed from
// the region table; what fits no field goes to the remark. Fields it cannot
// be sure of are listed, never silently guessed.
class AddressParser
{
public:
    explicit AddressParser(const RegionTable& regions);

    // One recipient.
    ParsedRecipient parse(const QString& text) const;
    // One recipient or several, as pasted: each one recognised.
    QList<ParsedRecipient> parseAll(const QString& text) const;
    // A text known to hold an address only (an order export's address
    // column): 城市, 地址 and 邮编, no name or remark sought in it.
    ParsedRecipient parseAddress(const QString& text) const;

    // Several recipients pasted at once: separated by blank lines, one a
    // line, or in labelled blocks (see RecipientSplitter).
    static QStringList splitEntries(const QString& text);

private:
    using Token = PasteTokenizer::Token;
    using Candidates = AddressCandidates;
    // A value under a label goes where its label says; false when it is
    // to be read as if it had none.
    bool takeLabelled(const Token& t, Candidates& c) const;
    void takeUnlabelled(const QString& text, Candidates& c) const;
    bool splitGluedName(const QString& text, Candidates& c) const;
    bool isNameBeforeAddress(const QList<Token>& tokens, int i, const Candidates& c) const;

    const RegionTable& m_regions;
    AddressCompleter m_completer;
    AddressPlaces m_places;
};
