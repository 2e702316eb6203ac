#pragma once

#include <QList>
#include <QString>

// The words around the fields in pasted recipient texts: labels of order
// pages and chat templates ("收货人：", "📱手机号：", "订单编号"), greetings and
// chat lead-ins ("亲，地址是：", "我叫…", "帮我寄到…"), and the odd characters
// people paste (emoji, full-width digits, other dots).
class PasteText
{
public:
    // What a label announces.
    enum Kind
    {
        None,
        Name,
        Phone,
        Region,
        Detail,
        Postcode,
        Company,
        Remark,
        Info, // kept in the remark with its label: 订单编号, 商品 …
    };

    // One piece of a token: a label, or text.
    struct Piece
    {
        QString text;
        Kind label = None;
    };

    // Full-width digits and signs as plain ones, emoji and odd blanks as
    // blanks, one kind of dot and line end.
    static QString normalized(const QString& text);
    // The address with the full-width digits and letters it was typed with
    // ("１２８号３幢"), which normalized() made plain to read it.
    static QString asTyped(const QString& address, const QString& typed);
    // The label a whole token is, or None.
    static Kind labelOf(const QString& token);
    // Cuts the labels out of a token, also where line breaks were lost
    // ("收货人张三手机号码" -> 收货人, 张三, 手机号码).
    static QList<Piece> splitAtLabels(const QString& token);
    // Drops the chat words in front of a value: "我叫张三" -> "张三",
    // "是河南省…" (after "地址") -> "河南省…"; empty for a token that is
    // all lead-in ("麻烦寄给", "寄到我们公司", a lone "寄" or "收").
    static QString withoutLeadIn(const QString& token);
    // Text that names a company or an institution rather than a place.
    static bool isCompany(const QString& token);
    // A company by its ending ("…有限公司", "…厂"), not by a department of an institution.
    static bool endsLikeCompany(const QString& token);
    // What follows the place in brackets in a company's name: "有限公司",
    // "投资有限公司" after "…（中国）".
    static bool isLegalFormAfterPlace(const QString& rest);
    // A department written after its company: "行政部", "检验科".
    static bool isDepartment(const QString& token);
    // Ends with a school, hospital or other institution: "华中师范大学".
    static bool endsLikeInstitution(const QString& token);
    // Takes the sender's part out of the text, as some templates give both
    // ("寄件人：… 收件人：…"): from the sender's label to the recipient's, or
    // to the end of its line. Returns it on one line, or empty.
    static QString takeSender(QString& text);
    // Whether the text begins with the sender's label.
    static bool startsWithSender(const QString& text);
    // Length of the desk after a company where parcels are left
    // ("…有限公司前台"), or 0.
    static int deskLength(const QString& token);
};
