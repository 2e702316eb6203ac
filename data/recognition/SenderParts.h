#pragma once

#include <QString>
#include <QStringList>

// The sender's part of a text that names both ends of the parcel: its block
// or line is no recipient of its own, and is kept with the recipient's.
class SenderParts
{
public:
    // Takes the sender's part out of one recipient's text, as PasteText::takeSender
    // does, and also "寄：…" where "收：…" marks the other line, and the sender's
    // block headed "【寄件人】". Returns it as written, brackets off.
    static QString take(QString& text);
    // Joins each piece that is only a sender's to the recipient after it, or
    // before it when it comes last: "收货人：…\n发货人：…".
    static QStringList joined(const QStringList& pieces);
};
