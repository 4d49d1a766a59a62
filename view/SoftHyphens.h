#pragma once

#include <QString>
#include <QStringView>

class Hyphenator;

// Puts soft hyphens into the text of a page's markup, fed in pieces cut
// anywhere (the state of a tag, a comment or a script carries over): in
// its text alone, never in a tag, a comment, a character reference, the
// content of an element that is not shown as text (script, style, title,
// textarea and the like), or a link's text.
class SoftHyphens
{
public:
    explicit SoftHyphens(const Hyphenator &hyphenator) : m_hyphenator(hyphenator) { }

    // Appends to out what can be given of markup (a word cut at the end
    // waits for the next piece).
    void feed(QStringView markup, QString &out);
    // Appends what is left.
    void finish(QString &out);

    // A long text is broken by two at once: this one is fed markup up to
    // half(markup), a fresh one all after it (giving secondOut), and then
    // this one ends with finishWith(the part after, secondOut, out).
    // The cut is after the first line end from the middle (none: the end).
    [[nodiscard]] static qsizetype half(QStringView markup);
    // Where this one stands as a fresh one starts (between a tag and text,
    // outside any link, comment or script, nothing held back), secondOut is
    // taken; otherwise second is fed on here.
    void finishWith(QStringView second, const QString &secondOut, QString &out);

private:
    [[nodiscard]] bool atTextStart() const { return m_state == State::Text && m_text.isEmpty() && m_links == 0; }

    enum class State { Text, Tag, Comment, RawText };

    void flushText(QString &out, bool all);
    void endTag(QString &out);

    const Hyphenator &m_hyphenator;
    State m_state = State::Text;
    QString m_text; // text not yet given, its last word perhaps cut
    QString m_tag; // the tag being read, from its '<'
    QString m_rawEnd; // in raw text: the end tag that ends it ("</script")
    QChar m_quote; // in a tag: the quote of an attribute value, if in one
    int m_links = 0; // open <a> elements
};
