#pragma once

#include <QString>
#include <QStringView>

#include <memory>

// The text a page shows, read from its markup as the view's HTML parser reads
// it: the page's text nodes, in document order, one after the other, with
// nothing put between them (no line end for a <br> or a paragraph), whitespace
// as written. What find matches in, on the page and in the collection.
//
// The markup is tokenized as the parser does: tags and their attributes give
// nothing, nor do comments, doctypes and bogus comments (<!...>, <?...>, and
// <![CDATA[...]]> outside SVG and MathML); character references are decoded
// (numeric ones with the parser's windows-1252 reading of 0x80-0x9F and
// U+FFFD for 0, surrogates and beyond U+10FFFF; named ones from the whole HTML
// list, the legacy ones also without ';'; an unknown one stays as written);
// CR LF and CR become LF; U+0000 in text is dropped (after a '<' that opens
// nothing, and in xmp and plaintext, it is U+FFFD, as the view's parser reads
// it). The content of script,
// style, textarea, title, iframe, noembed, noframes and xmp is not markup
// (xmp's is shown text), nor is anything after <plaintext>; noscript is
// ordinary markup, as page scripts are off.
//
// The tree is followed as far as it decides what shows: the elements open at
// each point (with the parser's rules for implied end tags, scopes, misnested
// formatting, tables and what leaves them, select, template and foreign
// content), and nothing shows inside script, style, title, textarea, select,
// option, optgroup, datalist, template, iframe, noembed, noframes, or a whole
// svg or math subtree, which the page cannot mark; nor what the view does not
// render whatever the page's style: an element with the hidden attribute, rp,
// a dialog or details that is not open (but for a details' first summary),
// and text outside the body. Not followed, so that such text counts where it
// is written: where the tree moves text, text read inside a table (the parser
// puts it before the table) or read already (a block in an unclosed datalist
// that a formatting end tag then takes out of it); style sheets and style
// attributes; framesets; elements nested more than 512 deep, which the view's
// parser no longer nests (nor, beyond MaxDepth, this one).
//
// Streaming: the markup comes in pieces that may end anywhere (inside a tag,
// a comment, a reference, a script), and the parser keeps only a small state
// between them, so a page of any length is read in little memory.
class ShownText
{
public:
    // Elements open at once that are followed; deeper ones are read as if
    // they were not there.
    static constexpr int MaxDepth = 4096;

    ShownText();
    ~ShownText();
    ShownText(const ShownText &) = delete;
    ShownText &operator=(const ShownText &) = delete;

    // Reads the next piece of the page's markup and appends what it shows to
    // out. What a piece leaves undecided (an '&' that may begin a reference,
    // a '<' at its end) is shown when a later piece, or finish(), decides it.
    void feed(QStringView markup, QString &out);
    // The page has ended: appends what its end decides.
    void finish(QString &out);
    // Whether the page shows nothing after all: its html or body was given
    // the hidden attribute by a tag read later, which takes back all that
    // was appended before too.
    [[nodiscard]] bool hidesAll() const;

    // The text a whole page shows (nothing when hidesAll()).
    [[nodiscard]] static QString of(QStringView page);

private:
    class Parser;
    std::unique_ptr<Parser> m_parser;
};
