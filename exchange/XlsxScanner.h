#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>
#include <utility>
#include <vector>

class QIODevice;

// A lean pull reader for the large parts of a workbook (sheets, shared
// strings), several times faster than QXmlStreamReader on them: UTF-8
// elements, attributes and text with the predefined entities and
// character references, line ends and attribute values normalised as XML
// says. What it does not read (other encodings, DTDs, comments, CDATA,
// processing instructions, names beyond ASCII) and anything not
// well-formed make it give up: the caller then reads the part again with
// QXmlStreamReader, which knows the rest and words the error. So it never
// accepts a part that QXmlStreamReader refuses.
class XlsxScanner
{
public:
    // Streams from the device (which must outlive the scanner).
    explicit XlsxScanner(QIODevice* in);
    // Reads a part held in memory (which must outlive the scanner).
    explicit XlsxScanner(const QByteArray& whole);

    // The next start or end element (text between is checked and passed
    // over); false at the end of the document or when it gave up.
    bool next();
    bool gaveUp() const { return m_state == State::GaveUp; }
    bool isStartElement() const { return m_token == Token::Start; }
    bool isEndElement() const { return m_token == Token::End; }
    // The local name of the current element, valid until next().
    bool nameIs(QLatin1String local) const { return m_local == local; }
    // The value of the current start element's attribute of that
    // qualified name, empty when there is none; valid until next().
    QStringView attribute(QLatin1String qualifiedName);
    // The text up to the current element's end, which becomes the current
    // token; gives up at a child element, as QXmlStreamReader fails there.
    QString readElementText();
    // The same into a text kept from call to call, its room reused.
    void readElementText(QString* text);
    // Passes over the rest of the current element.
    void skipCurrentElement();

private:
    enum class State
    {
        Prolog,
        Content,
        Done,
        GaveUp
    };
    enum class Token
    {
        None,
        Start,
        End
    };
    struct Attribute
    {
        qsizetype name = 0, nameEnd = 0, colon = -1; // offsets into the buffer
        qsizetype value = 0, valueEnd = 0;
        bool plain = true; // the value needs no decoding
    };

    bool giveUp();
    bool fill(); // more bytes at the end of the buffer; false at the end of input
    const char* data() const { return m_data; }
    bool findTagEnd(qsizetype* length);
    bool prolog();
    bool startTag(qsizetype length);
    bool endTag(qsizetype length);
    bool textUntilTag(QString* out);
    bool declared(const char* prefix, qsizetype size) const;

    QIODevice* m_in = nullptr;
    QByteArray m_buffer; // streamed input
    const char* m_data = nullptr;
    qsizetype m_pos = 0, m_end = 0;
    bool m_eof = false;
    bool m_readError = false;

    State m_state = State::Prolog;
    Token m_token = Token::None;
    bool m_pendingEnd = false; // an empty element's end comes next
    QLatin1String m_local;
    std::vector<std::string> m_open;                     // qualified names of the open elements
    std::vector<std::pair<std::string, int>> m_prefixes; // declared prefix, depth
    std::vector<Attribute> m_attributes;
    std::vector<QString> m_values; // decoded attribute values
    QString m_scratch;
};
