#include "data/recognition/PersonName.h"

#include "data/recognition/AddressWords.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

static const QString& singleSurnames()
{
    static const QString s = QStringLiteral(
        "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁"
        "任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴"
        "莫孔向汤常温康施文牛樊葛邢安齐易乔伍庞颜倪庄聂章鲁岳翟殷詹申欧耿关兰焦俞左柳甘祝包宁尚符舒阮柯纪"
        "梅童凌毕单季裴霍涂成苗谷盛曲翁冉骆蓝路游辛靳管柴蒙鲍华喻祁蒲房滕屈饶解牟艾尤阳时穆农司卓古吉缪简"
        "车项连芦麦褚娄窦戚岑景党宫费卜冷晏席卫米柏宗瞿桂全佟应臧闵苟邬边卞姬师仇栾隋商刁沙荣巫寇桑郎甄丛"
        "仲虞敖巩明佘池查麻苑迟邝官封谈匡鞠惠荆乐冀郁胥南班储栗燕楚鄢劳谌奚皮粟冼蔺楼闻厉伊仝郜阚权帅屠豆"
        "朴盖练廉禹祖漆巴丰卿狄索宣晋云容敬扈晁芮阙浦戈伏鹿薄邸雍辜羊裘亓修邰赫杭况鲜逯茹诸慕嵇哈湛宾戎勾"
        "茅尉冶束檀昝衡区傅洪阎");
    return s;
}

static const QStringList& compoundSurnames()
{
    static const QStringList l =
        QStringLiteral("欧阳 司马 上官 诸葛 东方 皇甫 尉迟 公孙 慕容 长孙 宇文 司徒 夏侯 轩辕 令狐 "
                       "端木 西门 南宫 独孤 百里 呼延 澹台 公冶 太史 申屠 闻人 钟离 万俟 赫连 濮阳 "
                       "淳于 单于 司空 东郭 左丘 拓跋 第五 梁丘 颛孙 巫马 公羊 谷梁 乐正 漆雕 羊舌 "
                       "微生 仲孙 叔孙 亓官 司寇 鲜于 闾丘 段干 东门 北宫")
            .split(QLatin1Char(' '));
    return l;
}

// Words of delivery notes; a short text holding one is no name.
static const QStringList& noteWords()
{
    static const QStringList l =
        QStringLiteral(
            "送 发货 快递 请 放 门口 周末 工作日 联系 到付 包邮 尽快 急 不要 收到 签收 代收 前台 "
            "物业 保安 驿站 柜 电话 小心 易碎 加急 中午 下午 上午 晚上 白天 时间 顺丰 圆通 中通 申通 "
            "韵达 邮政 百世 极兔 京东 打 寄 退 换 谢谢 麻烦 一下 自提 自取 拿 包装 有人 没人 在家 敲门 "
            "进不去 走路 喊 到了 喊一声 一定要到 尽量 运费 順豐 郵政 "
            // Where the recipient is found and how the way is, in the country: "春牧场上没信号".
            "平时 信号 没关系 慢点 不好走")
            .split(QLatin1Char(' '));
    return l;
}

static bool allChinese(const QString& t)
{
    for (const QChar c : t) {
        if (c.unicode() < 0x4E00 || c.unicode() > 0x9FFF)
            return false;
    }
    return !t.isEmpty();
}

// Whether the text holds a note word of at least shortest characters.
static bool hasNoteWord(const QString& text, int shortest)
{
    for (const QString& w : noteWords()) {
        if (w.size() >= shortest && text.contains(w))
            return true;
    }
    return false;
}

bool PersonName::isDeliveryNote(const QString& text)
{
    return hasNoteWord(text, 1);
}

int PersonName::surnameLength(const QString& text)
{
    if (text.size() >= 3 && compoundSurnames().contains(text.left(2)))
        return 2;
    if (!text.isEmpty() && singleSurnames().contains(text.front()))
        return 1;
    return 0;
}

QString PersonName::withoutReceiveMark(const QString& text)
{
    for (const char* mark : {"(收)", "（收）", "收"}) {
        const QString m = QString::fromUtf8(mark);
        // "楼下小卖部代收" is a note, not a name.
        if (text.size() > m.size() + 1 && text.endsWith(m) && !isDeliveryNote(text))
            return text.left(text.size() - m.size());
    }
    return text;
}

bool PersonName::isMarkedReceiver(const QString& text)
{
    // The mark tells a person even where the name ends like a place (栋).
    const QString name = withoutReceiveMark(text);
    const int surname = surnameLength(name);
    return name.size() < text.size() && surname > 0 && name.size() - surname <= 2 && allChinese(name) &&
           !hasNoteWord(name, 1);
}

void PersonName::joinSpacedNames(QString& text)
{
    // Single characters set apart, the first a surname, that together make a
    // name; the mark after a name ("王 收") is no part of it. A full stop or an
    // enumeration comma may end it ("罗 秀 英。。"), though \p{Han} takes them in.
    static const QRegularExpression spaced(QStringLiteral(
        R"((?<![^\s:：,，。、;；])\p{Han}(?<![、。])(?: +\p{Han}(?<![、。])){1,3}(?![^\s,，。、;；]))"));
    for (auto m = spaced.match(text); m.hasMatch(); m = spaced.match(text, m.capturedStart() + 1)) {
        QString joined = m.captured();
        joined.remove(QLatin1Char(' '));
        bool mark = false;
        for (const QChar c : QStringLiteral("收给寄人"))
            mark = mark || joined.contains(c);
        if (mark || surnameLength(joined) != 1 || fit(joined) != Strong)
            continue;
        text.replace(m.capturedStart(), m.capturedLength(), joined);
    }
    // Order pages set the surname apart from the given name: "收货人：苗 玉兰",
    // "欧阳 雨桐", "卫 国强（先生）". Only a surname alone before the blank,
    // so "黄米 原味" or "周末 送" stay apart.
    static const QRegularExpression surnameApart(QStringLiteral(
        R"((?<![^\s:：,，|｜【\[>▸➜])(\p{Han}{1,2}) +(\p{Han}{1,2})(?![^\s,，。、;；|｜(（【\[]))"));
    for (auto m = surnameApart.match(text); m.hasMatch();
         m = surnameApart.match(text, m.capturedStart() + 1)) {
        const QString joined = m.captured(1) + m.captured(2);
        if (surnameLength(joined) != m.captured(1).size() || fit(joined) != Strong ||
            isDeliveryNote(joined) || joined.contains(QRegularExpression(QStringLiteral("[收给寄人]"))))
            continue;
        text.replace(m.capturedStart(), m.capturedLength(), joined);
    }
}

void PersonName::joinNameParts(QString& text)
{
    // The parts Mongolian and Tibetan names are made of; a name of two is
    // often typed apart: "乌兰 图雅", "索朗 旺姆".
    static const QSet<QString> parts = [] {
        const QStringList l =
            QStringLiteral(
                "乌兰 图雅 其其格 斯琴 高娃 巴特尔 苏和 宝音 那仁 额尔敦 朝鲁 萨仁 格日勒 阿拉坦 敖登 乌日娜 "
                "孟和 巴雅尔 娜仁 其木格 塔娜 乌云 毕力格 图门 达来 哈斯 托娅 扎西 次仁 卓玛 旺姆 索朗 达瓦 "
                "格桑 多吉 拉姆 央金 平措 顿珠 尼玛 白玛 德吉 罗布 洛桑 丹增 强巴 措姆 曲珍 旺堆 巴桑 普布 "
                "边巴 次旦 益西 仁增 才让 尕藏 卓嘎 拉巴 贡布 桑杰 旦增 玉珍 吉祥")
                .split(QLatin1Char(' '));
        return QSet<QString>(l.cbegin(), l.cend());
    }();
    const auto han = [&text](qsizetype i) { return text.at(i).script() == QChar::Script_Han; };
    // Two parts of two or three characters each, a blank between, set apart from the rest.
    for (qsizetype i = text.indexOf(QLatin1Char(' ')); i > 0; i = text.indexOf(QLatin1Char(' '), i + 1)) {
        qsizetype b = i;
        while (b > 0 && i - b < 4 && han(b - 1))
            --b;
        qsizetype e = i + 1;
        while (e < text.size() && e - i - 1 < 4 && han(e))
            ++e;
        const qsizetype before = i - b;
        const qsizetype after = e - i - 1;
        if (before < 2 || before > 3 || after < 2 || after > 3 ||
            (b > 0 && !QStringLiteral(" \t\n:：,，").contains(text.at(b - 1))) ||
            (e < text.size() && !QStringLiteral(" \t\n,，。").contains(text.at(e))))
            continue;
        if (parts.contains(text.mid(b, before)) && parts.contains(text.mid(i + 1, after)))
            text.remove(i, 1);
    }
}

QStringList PersonName::takeReceiversInside(QString& text)
{
    static const QRegularExpression inside(QStringLiteral(R"([(（]([^()（）\s]{2,8}?)收[)）])"));
    QStringList names;
    for (auto m = inside.match(text); m.hasMatch(); m = inside.match(text, m.capturedStart())) {
        if (fit(m.captured(1)) == No)
            break;
        names << m.captured(1);
        text.remove(m.capturedStart(), m.capturedLength());
    }
    return names;
}

// "Wang Lei", "LIU YANG", "Anna", "Émile": letters only, each word capitalised.
static PersonName::Fit latinFit(const QString& text)
{
    const QStringList words = text.split(QLatin1Char(' '));
    if (words.size() > 4 || AddressWords::isLatinBuilding(text))
        return PersonName::No;
    for (const QString& w : words) {
        if (w.isEmpty() || !w.front().isUpper())
            return PersonName::No;
        for (int i = 0; i < w.size(); ++i) {
            const QChar c = w.at(i);
            // "Müller", "José" too; "Min-jun", "O'Brien".
            const bool inner = i > 0 && i + 1 < w.size() && (c == QLatin1Char('-') || c == QLatin1Char('\''));
            if (!inner && (!c.isLetter() || c.script() != QChar::Script_Latin))
                return PersonName::No;
        }
    }
    if (words.size() >= 2)
        return PersonName::Strong;
    return text.size() >= 3 ? PersonName::Weak : PersonName::No;
}

PersonName::Fit PersonName::fit(const QString& text)
{
    if (!text.isEmpty() && (text.front().unicode() < 0x80 || text.front().script() == QChar::Script_Latin))
        return latinFit(text);
    // Masked by the platform: "张**", "欧阳*".
    static const QRegularExpression masked(QStringLiteral(R"(^\p{Han}{1,2}\*{1,3}$)"));
    if (text.contains(QLatin1Char('*')) && masked.match(text).hasMatch() &&
        surnameLength(text.left(text.indexOf(QLatin1Char('*'))) + QStringLiteral("某")) > 0)
        return Strong;
    // Uyghur and foreign names written with a dot: "阿卜杜拉·买买提".
    if (text.contains(QChar(0x00B7))) {
        const QStringList parts = text.split(QChar(0x00B7));
        for (const QString& p : parts) {
            if (!allChinese(p))
                return No;
        }
        return text.size() <= 20 ? Strong : No;
    }
    if (!allChinese(text) || text.size() < 2 || text.size() > 8)
        return No;
    // Places, buildings and departments end like this; names hardly ever do.
    static const QString placeEnds =
        QStringLiteral("省市区县镇乡村路街道巷弄号楼栋幢层室组屯院苑园城店厂站馆部科处舍寓");
    // A building goes by its number ("3栋", "B幢"); after another character
    // the end is a given name's: "林国栋".
    const bool buildingEnd = text.back() == QChar(0x680B) || text.back() == QChar(0x5E62);
    const bool namedBuilding =
        buildingEnd && text.size() == 3 && !QStringLiteral("一二三四五六七八九十").contains(text.at(1));
    if (text.size() >= 3 && placeEnds.contains(text.back()) && !namedBuilding)
        return No;
    const int surname = surnameLength(text);
    // A surname and one character is a name even where the character is a
    // note's ("解放"); a two-character note word is not ("包邮").
    if (hasNoteWord(text, surname == 1 && text.size() == 2 ? 2 : 1))
        return No;
    for (const char* title : {"先生", "女士", "小姐"}) {
        if (text.endsWith(QString::fromUtf8(title)))
            return surname > 0 && text.size() == surname + 2 ? Strong : Weak;
    }
    if (surname > 0 && text.size() - surname >= 1 && text.size() - surname <= 2)
        return Strong;
    // Longer names of minorities and foreigners ("乌兰其其格", "阿不都热依木").
    return Weak;
}
