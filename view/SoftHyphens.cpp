#include "view/SoftHyphens.h"

#include "view/Hyphenator.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Elements whose content is text that is never markup, and never shown as
// a page's text to be broken.
bool isRawText(QStringView name)
{
    for (const QStringView raw :
         {u"script", u"style", u"title", u"textarea", u"xmp", u"iframe", u"noembed", u"noframes", u"plaintext"}) {
        if (name.compare(raw, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The tag's name, from its '<' (and '/' for an end tag).
QStringView tagName(QStringView tag, bool &end)
{
    qsizetype at = 1;
    end = at < tag.size() && tag[at] == u'/';
    if (end)
        ++at;
    qsizetype stop = at;
    while (stop < tag.size() && !tag[stop].isSpace() && tag[stop] != u'>' && tag[stop] != u'/')
        ++stop;
    return tag.sliced(at, stop - at);
}

} // namespace

void SoftHyphens::flushText(QString &out, bool all)
{
    if (m_text.isEmpty())
        return;
    qsizetype cut = m_text.size();
    if (!all) {
        // The last word may go on in the next piece.
        while (cut > 0 && (m_text[cut - 1].isLetterOrNumber() || m_text[cut - 1].isMark()))
            --cut;
    }
    if (m_links > 0)
        out += QStringView(m_text).first(cut);
    else
        out += m_hyphenator.hyphenated(QStringView(m_text).first(cut));
    m_text.remove(0, cut);
}

void SoftHyphens::endTag(QString &out)
{
    out += m_tag;
    bool end = false;
    const QStringView name = tagName(m_tag, end);
    if (name.compare(u"a", Qt::CaseInsensitive) == 0)
        m_links = end ? std::max(0, m_links - 1) : m_links + 1;
    if (!end && isRawText(name)) {
        m_rawEnd = u"</"_s + name.toString().toLower();
        m_state = State::RawText;
    } else {
        m_state = State::Text;
    }
    m_tag.clear();
}

void SoftHyphens::feed(QStringView markup, QString &out)
{
    for (qsizetype i = 0; i < markup.size(); ++i) {
        const QChar c = markup[i];
        switch (m_state) {
        case State::Text: {
            // A run of text up to the next tag or reference at once.
            qsizetype end = i;
            while (end < markup.size() && markup[end] != u'<' && markup[end] != u'&')
                ++end;
            if (end > i) {
                m_text += markup.sliced(i, end - i);
                i = end - 1;
                break;
            }
            if (c == u'<') {
                flushText(out, true);
                m_tag = c;
                m_state = State::Tag;
            } else if (c == u'&') {
                // A reference goes as it is, and ends the word before it.
                flushText(out, true);
                m_text += c;
                qsizetype j = i + 1;
                while (j < markup.size() && j - i < 40 && (markup[j].isLetterOrNumber() || markup[j] == u'#'))
                    m_text += markup[j++];
                out += m_text;
                m_text.clear();
                i = j - 1;
            }
            break;
        }
        case State::Tag:
            m_tag += c;
            if (m_tag.size() == 4 && m_tag == u"<!--") {
                out += m_tag;
                m_tag.clear();
                m_state = State::Comment;
            } else if (m_tag.size() == 2 && !c.isLetter() && c != u'/' && c != u'!' && c != u'?') {
                // No tag after all ("a < b"): text.
                m_text = m_tag;
                m_tag.clear();
                m_state = State::Text;
            } else if (!m_quote.isNull()) {
                if (c == m_quote)
                    m_quote = QChar();
            } else if ((c == u'"' || c == u'\'') && m_tag.size() > 2) {
                m_quote = c;
            } else if (c == u'>') {
                endTag(out);
            }
            break;
        case State::Comment: {
            // On to the next '>' at once; the comment ends at a "-->".
            const qsizetype close = markup.indexOf(u'>', i);
            const qsizetype end = close < 0 ? markup.size() : close + 1;
            out += markup.sliced(i, end - i);
            i = end - 1;
            if (close >= 0 && out.endsWith(u"-->"_s))
                m_state = State::Text;
            break;
        }
        case State::RawText:
            out += c;
            if (c == u'>') {
                // "</script>", "</script >" and the like end it; nothing else.
                const qsizetype open = out.lastIndexOf(u'<');
                const QStringView tag = open < 0 ? QStringView() : QStringView(out).sliced(open);
                if (tag.size() > m_rawEnd.size()
                    && tag.first(m_rawEnd.size()).compare(m_rawEnd, Qt::CaseInsensitive) == 0) {
                    const QChar after = tag[m_rawEnd.size()];
                    if (after == u'>' || after.isSpace() || after == u'/')
                        m_state = State::Text;
                }
            }
            break;
        }
    }
    if (m_state == State::Text)
        flushText(out, false);
}

void SoftHyphens::finish(QString &out)
{
    flushText(out, true);
    out += m_tag;
    m_tag.clear();
}

qsizetype SoftHyphens::half(QStringView markup)
{
    static const QString LineEnd = u"<br>"_s;
    const qsizetype line = markup.indexOf(LineEnd, markup.size() / 2, Qt::CaseInsensitive);
    return line < 0 ? markup.size() : line + LineEnd.size();
}

void SoftHyphens::finishWith(QStringView second, const QString &secondOut, QString &out)
{
    if (atTextStart()) {
        finish(out);
        out += secondOut;
        return;
    }
    feed(second, out);
    finish(out);
}
