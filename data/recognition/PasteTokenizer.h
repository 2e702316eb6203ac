#pragma once

#include "data/recognition/PasteText.h"

#include <QList>
#include <QString>

// Cuts a pasted recipient text into the pieces the parser weighs one by one:
// at blanks and punctuation, at brackets after a name, at labels glued to
// their values. Each piece knows the label it stands under.
class PasteTokenizer
{
public:
    struct Token
    {
        QString text;
        int line = 0;
        PasteText::Kind label = PasteText::None; // the token is a label
        PasteText::Kind scope = PasteText::None; // the label it stands under
        bool aside = false;                      // written in brackets after a name: a note
        bool infoTail = false;                   // the time after an order's date
    };

    static QList<Token> tokenize(const QString& text);
};
