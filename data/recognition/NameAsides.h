#pragma once

#include <QString>

// What is said about a name that is no part of it nor of any note: how its
// characters are written ("胡是古月胡", "立早章", "耿浩然（耳火耿）"), what the
// buyer goes by on the platform ("淘宝ID：sunny_qing88", "群昵称 阿芬") and a
// nickname set before the real name ("糖糖（唐雪）").
class NameAsides
{
public:
    // Takes those words out of the pasted text.
    static void drop(QString& text);
};
