#pragma once

#include "data/recognition/AddressCandidates.h"
#include "data/recognition/ParsedRecipient.h"

#include <QString>
#include <QStringList>

// Chooses the recipient's name among the candidates read from a text: a
// labelled one first, then one with a known surname, then any; the others
// go to the remark where they were written.
class NameChoice
{
public:
    // text: the entry as read, to keep the pieces left for the remark in their order.
    static void choose(AddressCandidates& c, QStringList& detailParts, ParsedRecipient& r,
                       const QString& text);
    // Where the piece was written in text, a number not inside a longer one; -1 if nowhere.
    static int positionIn(const QString& text, const QString& piece);
};
