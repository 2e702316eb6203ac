#pragma once

#include <QString>

// Labels of numbers that say whose number it is ("店长手机", "门店电话",
// "办公室：3188 6620", "另一个号 159…") and the word between two numbers
// ("… 或 138…"). They name no field of their own: rewritten so that only
// the plain label is read, or nothing where the number speaks for itself.
class PhoneLabels
{
public:
    static void plain(QString& text);
};
