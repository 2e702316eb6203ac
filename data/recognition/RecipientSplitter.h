#pragma once

#include <QStringList>

// Cuts a pasted text into the recipients it holds: at blank lines and at
// lines of dashes; a text whose every line is a whole recipient (name,
// number and address, as in a list or in spreadsheet rows) at each line;
// recipients after "；" on one line; a second block of labelled lines at its
// name label. Numbering ("1.", "第二个：", "收件人2：") and a row of column
// headers are left out.
class RecipientSplitter
{
public:
    static QStringList split(const QString& text);
};
