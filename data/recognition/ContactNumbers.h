#pragma once

#include "data/recognition/ParsedRecipient.h"

// Takes the numbers out of a pasted recipient text: mobiles (blanks, dashes,
// +86), landlines with area code and extension, service numbers (400/800),
// and a postcode (six digits that are no phone, house or room number).
class ContactNumbers
{
public:
    // Fills the recipient's 手机, 电话 and 邮编 and blanks what it took in
    // text, so that the words on either side stay apart. Numbers beyond
    // those go to the end of the text, for the remark.
    static void take(QString& text, ParsedRecipient& r);
    // Taiwan's postcodes have three or five digits and are left over after
    // take(): takes the first such one out of the leftovers.
    static QString takeTaiwanPostcode(QStringList& leftovers);
};
