#pragma once
#include <QString>
// Numbers as voice input writes them: "一三八 零八零二 七六四五", "幺八九…",
// mixed with digits ("135二七八9 0146"). Only runs long enough to be a phone
// are read as digits, and short ones where a label says what they are
// (邮编 二六六零七一, 转 八零六): house and floor numbers stay as written.
class SpokenDigits
{
public:
    // The text with such runs in digits, "加" before a country code as "+".
    static QString asDigits(const QString& text);
    // A run of spoken digits alone ("五五一七") in digits, or empty when it is none.
    static QString runAsDigits(const QString& run);

private:
    static QString withPausesAsBlanks(const QString& text);
    static QString convertedRuns(const QString& text);
};
