#pragma once
#include <QString>
// Corrections people type or say after a value instead of editing it:
// "13705718862 打错了 是13705718826", "宋佳 不对 是宋嘉 嘉庆的嘉", "不是伍晓娜 是武晓娜",
// "…166号 … 诶不对 改一下 门牌号是188号". The text comes back with the new
// value where the old one was and the correction's words gone.
class PasteCorrections
{
public:
    static QString applied(const QString& text);
};
