#include "data/recognition/AddressParser.h"

#include "data/recognition/AddressCompleter.h"
#include "data/recognition/AddressPlaces.h"
#include "data/recognition/AddressWords.h"
#include "data/recognition/ContactNumbers.h"
#include "data/recognition/InlineRecipients.h"
#include "data/recognition/InstitutionParts.h"
#include "data/recognition/NameAsides.h"
#include "data/recognition/NameChoice.h"
#include "data/recognition/OrderTalk.h"
#include "data/recognition/PageChrome.h"
#include "data/recognition/PasteChat.h"
#include "data/recognition/PasteCorrections.h"
#include "data/recognition/PasteText.h"
#include "data/recognition/PasteTokenizer.h"
#include "data/recognition/PersonName.h"
#include "data/recognition/RecipientSplitter.h"
#include "data/recognition/RegionTable.h"
#include "data/recognition/SenderParts.h"
#include "data/recognition/SentenceLeadIn.h"
#include "data/recognition/SpokenDigits.h"
#include "data/recognition/StrayRegions.h"
#include "data/recognition/TokenLines.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kName = QStringLiteral("姓名");
const QString kMobile = QStringLiteral("手机");
const QString kPhone = QStringLiteral("电话");
const QString kCompany = QStringLiteral("收件单位");
const QString kRemark = QStringLiteral("备注");

void markUnsure(ParsedRecipient& r, const QString& key)
{
    if (!r.unsure.contains(key))
        r.unsure << key;
}

} // namespace

AddressParser::AddressParser(const RegionTable& regions)
    : m_regions(regions), m_completer(regions), m_places(regions)
{
}

QStringList AddressParser::splitEntries(const QString& text)
{
    return RecipientSplitter::split(text);
}

QList<ParsedRecipient> AddressParser::parseAll(const QString& text) const
{
    QList<ParsedRecipient> list;
    // "… / 韦薇 … 都是周末送": a wish after the last of one line's recipients
    // that says it is for all of them.
    static const QRegularExpression forAll(QStringLiteral("^(?:都是|全都|全部|都)(\\p{Han}{2,})$"));
    for (const QString& entry : SenderParts::joined(
             splitEntries(PasteCorrections::applied(SpokenDigits::asDigits(PageChrome::stripped(text)))))) {
        const QStringList ones = SenderParts::joined(InlineRecipients::split(entry, m_regions));
        const qsizetype first = list.size();
        for (const QString& one : ones)
            list << parse(one);
        const auto m = forAll.match(list.isEmpty() ? QString() : list.last().remark);
        if (ones.size() < 2 || !m.hasMatch() || !PersonName::isDeliveryNote(m.captured(1)))
            continue;
        for (qsizetype i = first; i < list.size(); ++i) {
            QString& remark = list[i].remark;
            remark = i + 1 == list.size() || remark.isEmpty() ? m.captured(1)
                                                              : remark + QLatin1Char(' ') + m.captured(1);
        }
    }
    return list;
}

ParsedRecipient AddressParser::parseAddress(const QString& input) const
{
    ParsedRecipient r;
    QString text = PasteText::normalized(input);
    ContactNumbers::take(text, r);
    static const QRegularExpression blanks(QStringLiteral(R"([\s,，、;；|]+)"));
    QStringList regionParts;
    QStringList detailParts;
    for (const QString& piece : text.split(blanks, Qt::SkipEmptyParts))
        (m_regions.match(piece).length == piece.size() ? regionParts : detailParts) << piece;
    m_completer.complete(regionParts + detailParts, r);
    return r;
}

bool AddressParser::takeLabelled(const Token& t, Candidates& c) const
{
    switch (t.scope) {
    case PasteText::Name:
        // "收件：内蒙古 包头市 …": a province, or a region written in full, under
        // the label is where the address begins, no name.
        if (m_regions.isRegionAlone(t.text))
            return false;
        // "收件人：市场部 Lily Zhang": the department before the name, for the remark.
        if (PasteText::isDepartment(t.text) && PersonName::fit(t.text) == PersonName::No) {
            c.remarks << (c.labelledDepartment = t.text);
            return true;
        }
        // Unless the label's own value was a number taken out already and
        // this is the next line's address.
        if (PersonName::fit(PersonName::withoutReceiveMark(t.text)) != PersonName::No ||
            (t.text.size() <= 8 && !AddressWords::looksLikeAddress(t.text) &&
             m_regions.match(t.text).length == 0) ||
            (PersonName::surnameLength(t.text) > 0 && t.text.size() <= 4 &&
             m_regions.match(t.text).length == 0 &&
             !t.text.contains(QRegularExpression(QStringLiteral("\\d"))))) { // "潘国栋" under its label
            c.labelledNames << PersonName::withoutReceiveMark(t.text);
            return true;
        }
        return false;
    case PasteText::Region:
    case PasteText::Detail: {
        // After the address on its line, a name or a company is no part of it.
        bool first = true;
        for (const Candidates::Part& p : std::as_const(c.parts))
            first = first && p.region;
        // A company may be named after its city: "深圳前湾…有限公司". A note
        // is none of the address even after the region: "香港地址 麻烦发顺丰".
        if ((!first && PasteText::endsLikeCompany(t.text)) ||
            (PersonName::isDeliveryNote(t.text) && !AddressWords::looksLikeAddress(t.text) &&
             m_regions.match(t.text).length == 0))
            return false;
        if (!first && m_regions.match(t.text).length == 0 &&
            (PasteText::isCompany(t.text) ||
             (PasteText::isDepartment(t.text) && !AddressWords::looksLikeAddress(t.text)) ||
             PersonName::fit(PersonName::withoutReceiveMark(t.text)) == PersonName::Strong ||
             PersonName::isDeliveryNote(t.text)))
            return false;
        c.parts.append({t.text, t.scope == PasteText::Region, false});
        return true;
    }
    case PasteText::Company:
        c.labelledCompanies << t.text;
        return true;
    case PasteText::Remark:
        c.remarks << t.text;
        return true;
    default:
        return false;
    }
}

bool AddressParser::splitGluedName(const QString& text, Candidates& c) const
{
    for (int k = 2; k <= 5 && k < text.size() - 1; ++k) {
        if (PersonName::fit(text.left(k)) == PersonName::Strong &&
            m_regions.match(QStringView(text).mid(k)).length >= 3) {
            c.strongNames << text.left(k);
            c.parts.append({text.mid(k), false, false, -1, true});
            c.nameFromGlued = true;
            return true;
        }
    }
    return false;
}

void AddressParser::takeUnlabelled(const QString& text, Candidates& c) const
{
    // "深圳市华拓电子有限公司" begins with a city but is the company;
    // "武汉市武昌区武汉大学信息学部" goes down to the district: the address.
    const RegionTable::Path path = m_regions.match(text);
    if ((PasteText::isCompany(text) || (c.parts.isEmpty() && InstitutionParts::namesUnit(text))) &&
        (path.written.size() < 2 || PasteText::endsLikeCompany(text))) {
        c.companies << text;
        return;
    }
    if (const int desk = PasteText::deskLength(text)) {
        c.companies << text.left(text.size() - desk);
        c.remarks << text.right(desk);
        return;
    }
    // "…竹泉村 东头 第二家": where in the place before it, no name.
    if (!c.parts.isEmpty() && AddressWords::isPosition(text)) {
        c.parts.append({text, false, false});
        return;
    }
    // Written with the regions, in their place: "香港 新界 荃灣".
    if (AddressWords::isSarArea(text) || AddressWords::isSarAreaWithDistrict(text) ||
        (!c.parts.isEmpty() && AddressWords::isSarDistrict(text, c.parts.last().text))) {
        c.parts.append({text, true, false});
        return;
    }
    const QString asName = PersonName::withoutReceiveMark(text);
    const PersonName::Fit fit = PersonName::fit(asName);
    if (path.length > 0) {
        bool onlyShort = true;
        for (const RegionTable::Written& w : path.written)
            onlyShort = onlyShort && w.shortForm;
        const bool maybeName = onlyShort && fit == PersonName::Strong && text.size() <= 3;
        // "乌兰其其格" begins with 乌兰(县) but is a name.
        if (onlyShort && fit != PersonName::No && path.length < text.size() &&
            !AddressWords::looksLikeAddress(text)) {
            (fit == PersonName::Strong ? c.strongNames : c.weakNames) << asName;
            return;
        }
        const int deepest = path.written.isEmpty() ? -1 : path.written.last().region;
        // "解放街168号", "朝阳北大街866号": a street named like a region is no stray region.
        const bool street =
            path.length < text.size() && AddressWords::looksLikeAddress(text.mid(path.length));
        c.parts.append({text, path.length == text.size(), maybeName, onlyShort && !street ? deepest : -1,
                        path.length < text.size() && !path.ambiguous});
        return;
    }
    // A name written straight before the address: "张三河南省郑州市…".
    if (splitGluedName(text, c))
        return;
    if (fit == PersonName::Strong || PersonName::isMarkedReceiver(text))
        c.strongNames << asName;
    else if (AddressWords::looksLikeAddress(text))
        // "郭富城" ends like a place but is a surname and two characters:
        // the name when the entry has no other.
        c.parts.append({AddressWords::isLatinBuilding(text) ? QString(text).remove(QLatin1Char(' ')) : text,
                        false,
                        text.size() == 3 && PersonName::surnameLength(text) == 1 &&
                            PersonName::fit(text.left(2)) == PersonName::Strong && !text.back().isDigit()});
    // "急用" is no name, nor is "骨科" after a hospital's bed.
    else if (fit == PersonName::Weak && !PersonName::isDeliveryNote(text) && !PasteText::isDepartment(text))
        c.weakNames << asName;
    else
        c.remarks << text;
}

bool AddressParser::isNameBeforeAddress(const QList<Token>& tokens, int i, const Candidates& c) const
{
    // "收货地址：欧阳静，86-137…，浙江省 温州市…": the name written first under
    // the address label, the address proper starting with a region after it.
    const Token& t = tokens.at(i);
    // A name of no known surname too ("阿布都热依木"), when no note or unit.
    const PersonName::Fit fit = PersonName::fit(t.text);
    if ((t.scope != PasteText::Detail && t.scope != PasteText::Region) || !c.parts.isEmpty() ||
        fit == PersonName::No || m_regions.match(t.text).length > 0 ||
        AddressWords::looksLikeAddress(t.text) ||
        (fit == PersonName::Weak && (PersonName::isDeliveryNote(t.text) || PasteText::isCompany(t.text))))
        return false;
    for (int j = i + 1; j < tokens.size(); ++j) {
        if (!tokens.at(j).aside)
            // Or the address on the line below: "收货地址\n吴晓燕 170…\n辽宁省 沈阳市 …".
            return (tokens.at(j).scope == t.scope || tokens.at(j).line > t.line) &&
                   m_regions.match(tokens.at(j).text).length > 0;
    }
    return false;
}

ParsedRecipient AddressParser::parse(const QString& input) const
{
    ParsedRecipient r;
    QString text =
        PasteCorrections::applied(SpokenDigits::asDigits(PageChrome::stripped(PasteText::normalized(input))));
    // The sender's name and number are no recipient's: kept as written in the remark.
    const QString sender = SenderParts::take(text);
    ContactNumbers::take(text, r);
    // Brackets left empty by a number taken out of them.
    static const QRegularExpression emptyBrackets(
        QStringLiteral(R"([(（]\s*(?:邮编|邮政编码)?[:：]?\s*[)）])"));
    text.replace(emptyBrackets, QStringLiteral(" "));
    PersonName::joinSpacedNames(text);
    PersonName::joinNameParts(text);
    NameAsides::drop(text);

    Candidates c;
    c.labelledNames << PersonName::takeReceiversInside(text);
    QString lastLabel;
    bool afterInfo = false;
    int companiesBefore = 0;
    qsizetype departmentAt = -2; // the token last read as a department
    const QList<Token> tokens = PasteTokenizer::tokenize(text);
    bool regionLast = false;  // the piece before went into the address as a pure region
    qsizetype partsLast = -1; // how many address pieces there were after the piece before
    qsizetype remarksSeen = 0;
    qsizetype partsSeen = 0;
    for (int i = 0; i < tokens.size(); ++i) {
        // The token before went to the remark alone, after some of the address.
        const bool noteLast =
            !c.parts.isEmpty() && c.remarks.size() > remarksSeen && c.parts.size() == partsSeen;
        remarksSeen = c.remarks.size();
        partsSeen = c.parts.size();
        const Token& t = tokens.at(i);
        const bool afterRegion = regionLast;
        const bool partLast = !c.parts.isEmpty() && partsLast == c.parts.size();
        regionLast = false;
        if (t.label != PasteText::None) {
            lastLabel = t.text;
            // "我的订单号": whose it is says nothing to the courier.
            for (const QString& own : {QStringLiteral("我们的"), QStringLiteral("我的")}) {
                if (lastLabel.size() > own.size() + 1 && lastLabel.startsWith(own))
                    lastLabel.remove(0, own.size());
            }
            continue;
        }
        if (t.aside && afterInfo) {
            c.remarks.last() += QStringLiteral("（%1）").arg(t.text); // "宝贝：围巾（驼色）"
            continue;
        }
        if (t.aside) {
            // "郭 宁宁（郭宁宁）": the page shows the name again as it was typed.
            if (i == 0 || QString(tokens.at(i - 1).text).remove(QLatin1Char(' ')) != t.text)
                c.remarks << t.text;
            continue;
        }
        if (t.infoTail && afterInfo) {
            // "下单时间：2026-12-05 10:23", "宝贝：围巾×1"
            if (!t.text.front().isDigit())
                c.remarks.last() += t.text;
            else
                c.remarks.last() += QLatin1Char(' ') + t.text;
            continue;
        }
        afterInfo = false;
        // Under the remark's label the words are the note's as written ("送到门口打电话").
        QString value = PasteChat::withoutThanks(
            t.scope == PasteText::Remark ? t.text : PasteText::withoutLeadIn(t.text));
        value = SentenceLeadIn::reduced(value, m_regions);
        // Under no label, "是生日礼物" says what the parcel is: "是" announces no value there.
        if (t.scope == PasteText::None && t.text.startsWith(QChar(0x662F)) && value == t.text.mid(1) &&
            value.size() >= 2 && value.front().script() == QChar::Script_Han &&
            PersonName::fit(value) != PersonName::Strong && !AddressWords::looksLikeAddress(value) &&
            !PasteText::isCompany(value) && m_regions.match(value).length == 0)
            value = t.text;
        // "手机：无": the label's field left empty.
        static const QStringList none = QStringLiteral("无 暂无 没有 空 不详 未知").split(QLatin1Char(' '));
        if (value.isEmpty() || (t.scope != PasteText::None && none.contains(value)))
            continue;
        // "寄四川省绵阳市…": the verb glued to the region.
        if ((value.startsWith(QChar(0x5BC4)) || value.startsWith(QChar(0x53D1))) && value.size() > 3) {
            const RegionTable::Path path = m_regions.match(QStringView(value).mid(1));
            if (path.length >= 3 && !path.written.isEmpty() && !path.written.first().shortForm)
                value.remove(0, 1);
        }
        // On a line an order's label begins, the words after its value are the
        // order line's too ("商品：实验手套 M号 10盒", "商品名称：六堡茶 250g").
        if (t.scope == PasteText::None && TokenLines::onOrderLine(tokens, i) &&
            m_regions.match(value).length == 0 && PersonName::fit(value) != PersonName::Strong) {
            c.remarks << value;
            continue;
        }
        if (t.scope == PasteText::Info) {
            if (PasteChat::isOrderHeading(value)) // "订单状态：待发货" says nothing to the courier
                continue;
            c.remarks << lastLabel + QStringLiteral("：") + value;
            afterInfo = true;
            continue;
        }
        // "备注一下：…" asks for a note; the label's verb is none.
        if (t.scope == PasteText::Remark &&
            (value == QStringLiteral("一下") || value == QStringLiteral("下")))
            continue;
        // The address does not go on after a note: what follows the note, when
        // it reads as no address, name or company, goes on with it ("东西别放门口 会被偷").
        if (noteLast && t.scope != PasteText::Remark && t.scope != PasteText::Info &&
            t.scope != PasteText::Name && t.scope != PasteText::Company && OrderTalk::continuesNote(value) &&
            m_regions.match(value).length == 0 && !PasteText::isCompany(value) &&
            PersonName::fit(value) != PersonName::Strong) {
            c.remarks << value;
            continue;
        }
        // After the address, a sentence about someone is no part of it, however many
        // places it names: "她家就在村委会旁边", "夏天她在草场". Kept as a note.
        if ((t.scope == PasteText::None || t.scope == PasteText::Phone) &&
            !TokenLines::afterOrderLabel(tokens, i) && !c.parts.isEmpty() &&
            OrderTalk::isAboutSomeone(value) && m_regions.match(value).length == 0) {
            if (!PasteChat::isChat(value) || AddressWords::looksLikeAddress(value) ||
                value.contains(QChar(0x5BB6))) // 家: where the home is, "他家就在学校后面"
                c.remarks << value;
            continue;
        }
        // Greetings and chat around the fields belong to none of them.
        // Under the remark's label, all is the remark ("取件码发我微信").
        if (t.scope != PasteText::Remark && PasteChat::isChat(value) && m_regions.match(value).length == 0 &&
            !OrderTalk::asksCourier(
                value, tokens.value(i + 1).text + QLatin1Char(' ') +
                           (tokens.value(i + 2).line == t.line ? tokens.value(i + 2).text : QString())) &&
            (!AddressWords::looksLikeAddress(value) || PasteChat::isOrderHeading(value))) // "快手小店订单"
            continue;
        // Talk about the goods or the deal, unlabelled, is for the shop: "衣服要M码的白色哈".
        // On an order line ("商品：卫衣 120cm 粉色") the goods' words stay with it.
        // A question to the shop names no address, whatever place it names ("喀什能包邮吗");
        // the company an invoice is made out to is not the one that takes the parcel.
        const bool free = t.scope != PasteText::Remark && t.scope != PasteText::Info &&
                          t.scope != PasteText::Name && t.scope != PasteText::Company &&
                          !TokenLines::afterOrderLabel(tokens, i);
        if (free && (OrderTalk::isQuestion(value) || OrderTalk::isInvoiceTitle(value) ||
                     OrderTalk::isWhoseNumber(value)))
            continue;
        if (free && OrderTalk::isLeaveAt(value) && m_regions.match(value).length == 0) { // "放学院收发室"
            c.remarks << value;
            continue;
        }
        if (free && OrderTalk::isTalk(value) && m_regions.match(value).length == 0 &&
            !AddressWords::looksLikeAddress(value) && !PasteText::isCompany(value) &&
            PersonName::fit(value) != PersonName::Strong)
            continue;
        // A department written after its company, or after the school or
        // hospital the address ends with: "…有限公司 研发中心", "…大学 文学院办公室".
        const int companies = c.labelledCompanies.size() + c.companies.size();
        InstitutionParts::Context around;
        if (partLast)
            around.lastPart = c.parts.last().text;
        if (i > 0)
            around.tokenBefore = tokens.at(i - 1).text;
        if (i + 1 < tokens.size())
            around.tokenAfter = tokens.at(i + 1).text;
        if (companies > companiesBefore)
            around.company = (c.labelledCompanies + c.companies).last();
        around.hospital = std::any_of(c.parts.cbegin(), c.parts.cend(), [](const Candidates::Part& p) {
            return InstitutionParts::isHospital(p.text);
        });
        around.university = std::any_of(c.parts.cbegin(), c.parts.cend(), [](const Candidates::Part& p) {
            return InstitutionParts::isUniversity(p.text);
        });
        const InstitutionParts::Kind kind = InstitutionParts::classify(value, around);
        if (kind == InstitutionParts::Inside || (partLast && AddressWords::isPickupPoint(value))) {
            c.parts.append({value, false, false});
            partsLast = c.parts.size();
            continue;
        }
        // A ward or bed after the department is the department's: "呼吸科 17病区".
        static const QRegularExpression ward(QStringLiteral(R"(^\d{1,3}(?:病区|病房|床|号床)$)"));
        if ((departmentAt == i - 1 && ward.match(value).hasMatch()) ||
            (kind == InstitutionParts::Department && m_regions.match(value).length == 0)) {
            c.remarks << value;
            departmentAt = i;
            continue;
        }
        companiesBefore = companies;
        if (partLast && AddressWords::isUnitAfterNumber(c.parts.last().text, value)) {
            c.parts.last().text += value; // one piece again, for a room after it
            continue;
        }
        if (partLast && (AddressWords::isRoomAfterBuilding(c.parts.last().text, value) ||
                         AddressWords::isVillageAfterTown(c.parts.last().text, value))) {
            c.parts.append({value, false, false});
            partsLast = c.parts.size();
            continue;
        }
        if (isNameBeforeAddress(tokens, i, c) || m_places.isNameBeforePhoneLabel(tokens, i, value)) {
            (PersonName::fit(value) == PersonName::Strong ? c.strongNames : c.weakNames) << value;
            continue;
        }
        const bool nameBefore = !c.labelledNames.isEmpty() || !c.strongNames.isEmpty();
        // Under the address's label a region is taken as written, not marked as one.
        const bool afterLabelledRegion =
            partLast && t.scope == PasteText::Detail &&
            m_regions.match(c.parts.last().text).length == c.parts.last().text.size();
        if (((afterRegion || afterLabelledRegion ||
              (partLast && AddressPlaces::isSubDistrict(c.parts.last().text))) &&
             m_places.isPlaceBeforeStreet(tokens, i, value, nameBefore)) ||
            (partLast && !c.parts.last().region && m_places.isPlaceBetween(tokens, i, value))) {
            c.parts.append({value, false, false});
            partsLast = c.parts.size();
            continue;
        }
        // "上海澄观律师事务所的石律师": the company and the person in it.
        if (const int of = value.lastIndexOf(QChar(0x7684));
            of >= 4 && of + 2 < value.size() && PasteText::endsLikeCompany(value.left(of)) &&
            PersonName::fit(value.mid(of + 1)) != PersonName::No) {
            c.companies << value.left(of);
            (t.scope == PasteText::Name ? c.labelledNames : c.strongNames) << value.mid(of + 1);
            continue;
        }
        // "地址改为 安徽省…", "…大厦 不对不对 那是我公司 寄家里 山西省…": a second
        // address from its province, after words that change or deny the first, replaces
        // it; so does a company named between them ("那是我公司" says whose the first was).
        // The first address, with its region, is looked for only after such words.
        if (const int changedAt =
                c.parts.isEmpty() ? -1 : TokenLines::addressChangedAt(tokens, i, value, m_regions);
            changedAt >= 0 &&
            std::any_of(c.parts.cbegin(), c.parts.cend(),
                        [this](const Candidates::Part& p) { return m_regions.match(p.text).length >= 2; })) {
            c.parts.clear();
            for (int k = changedAt; k < i; ++k) {
                c.companies.removeAll(tokens.at(k).text);
                c.remarks.removeAll(tokens.at(k).text); // "不对 换成"
                c.weakNames.removeAll(tokens.at(k).text);
            }
        }
        Token v = t;
        v.text = value;
        const int partsBefore = c.parts.size();
        if (!takeLabelled(v, c))
            takeUnlabelled(v.text, c);
        regionLast = c.parts.size() > partsBefore && c.parts.last().region;
        partsLast = c.parts.size() > partsBefore ? c.parts.size() : -1;
    }
    InstitutionParts::placeUnitBeforeRegion(c, text);
    if (!c.labelledCompanies.isEmpty() || !c.companies.isEmpty()) {
        QStringList all = c.labelledCompanies + c.companies;
        r.company = all.takeFirst();
        if (const QString department = InstitutionParts::takeDepartment(r.company); !department.isEmpty())
            c.remarks.prepend(department);
        // Known by its ending only, or one of several: the user should look.
        if (c.labelledCompanies.isEmpty() || !all.isEmpty())
            markUnsure(r, kCompany);
        c.remarks << all;
    }
    // A region written short that lies apart from the fully written one is
    // no region: "解放" before "河南省巩义市…" (解放区 is in 焦作).
    const StrayRegions stray(m_regions, m_places);
    stray.dropElsewhere(c);
    stray.dropBeforeStart(c);
    // A short region that reads as a name is the name only when there is no other.
    if (c.labelledNames.isEmpty() && c.strongNames.isEmpty() && c.weakNames.isEmpty()) {
        for (int i = 0; i < c.parts.size(); ++i) {
            if (c.parts.at(i).maybeName) {
                c.strongNames << c.parts.takeAt(i).text;
                markUnsure(r, kName);
                break;
            }
        }
    }
    QStringList regionParts;
    QStringList detailParts;
    for (const Candidates::Part& p : c.parts)
        (p.region ? regionParts : detailParts) << p.text;
    // With no name beside it the department is whom the parcel is for: "收件人：财务科".
    if (!c.labelledDepartment.isEmpty() && c.labelledNames.isEmpty() && c.strongNames.isEmpty() &&
        c.weakNames.isEmpty() && c.remarks.removeOne(c.labelledDepartment))
        c.labelledNames << c.labelledDepartment;
    NameChoice::choose(c, detailParts, r, text);

    // Pure regions first, whatever order they came in.
    m_completer.complete(regionParts + detailParts, r);
    if (r.postcode.isEmpty() && r.address.startsWith(QStringLiteral("台湾")))
        r.postcode = ContactNumbers::takeTaiwanPostcode(c.remarks);
    m_completer.dropRegionsAgain(c.remarks, r.address);
    if (!sender.isEmpty())
        c.remarks << sender;
    r.remark = c.remarks.join(QLatin1Char(' '));
    r.address = PasteText::asTyped(r.address, input);
    return r;
}
