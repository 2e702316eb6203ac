#pragma once

#include "data/recognition/PasteText.h"

#include <QVector>

// The labels of order pages and chat templates ("收货人", "手机号码",
// "郵遞區號", "tel") and what each announces.
class PasteLabels
{
public:
    struct Word
    {
        QString word;
        PasteText::Kind kind;
        int glued; // 0: alone only; 1: also after text ("张三手机"); 2: also before its value ("收货人张三")
    };

    // Every label, longest first where one starts another.
    static const QVector<Word>& all();
    // Whether a label begins with this character, to pass over the others quickly.
    static bool startsOne(QChar c);
    // The label a whole token is, or None.
    static PasteText::Kind kindOf(const QString& token);
    // The token with the traditional characters labels are written in made simplified.
    static QString simplified(const QString& token);
    // Joins a label typed with blanks between its characters: "收 件 人：".
    static void joinSpaced(QString& s);
    // Blanks for the dashes set between labels and values: "收件人-巩立伟-手机-182…".
    static void dashesToBlanks(QString& s);
};
