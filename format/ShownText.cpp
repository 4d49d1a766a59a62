#include "format/ShownText.h"

#include "format/ShownTextEntities.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

// The elements whose names the rules of the tree care about.
// clang-format off
enum class Tag : std::uint8_t {
    Other, A, Address, AnnotationXml, Applet, Area, Article, Aside, B, Base, Basefont, Bgsound, Big, Blockquote,
    Body, Br, Button, Caption, Center, Code, Col, Colgroup, Datalist, Dd, Desc, Details, Dialog, Dir, Div, Dl, Dt,
    Em, Embed, Fieldset, Figcaption, Figure, Font, Footer, ForeignObject, Form, Frame, Frameset, H1, H2, H3, H4, H5,
    H6, Head, Header, Hgroup, Hr, Html, I, Iframe, Image, Img, Input, Keygen, Li, Link, Listing, Main, Malignmark,
    Marquee, Math, Menu, Meta, Mglyph, Mi, Mn, Mo, Ms, Mtext, Nav, Nobr, Noembed, Noframes, Noscript, Object, Ol,
    Optgroup, Option, P, Param, Plaintext, Pre, Rb, Rp, Rt, Rtc, Ruby, S, Script, Section, Select, Small, Source,
    Span, Strike, Strong, Style, Sub, Summary, Sup, Svg, Table, Tbody, Td, Template, Textarea, Tfoot, Th, Thead,
    Title, Tr, Track, Tt, U, Ul, Var, Wbr, Xmp,
};
// clang-format on

// What the tree's rules say of an HTML element, by its name.
enum TagFlag : std::uint8_t {
    Special = 1, // the parser's special category
    Formats = 2, // on the list of active formatting elements
    ImpliedEnd = 4, // closed by generating implied end tags
    ImpliedEndThoroughly = 8, // and when they are generated thoroughly
    LeavesForeign = 16, // a start tag that ends SVG or MathML content
    HidesContent = 32, // nothing in it shows
};

struct TagName
{
    std::u16string_view name;
    Tag tag;
    int flags;
};

// clang-format off
constexpr TagName TagNames[] = {
    {u"a", Tag::A, Formats},
    {u"address", Tag::Address, Special},
    {u"annotation-xml", Tag::AnnotationXml, 0},
    {u"applet", Tag::Applet, Special},
    {u"area", Tag::Area, Special},
    {u"article", Tag::Article, Special},
    {u"aside", Tag::Aside, Special},
    {u"b", Tag::B, Formats | LeavesForeign},
    {u"base", Tag::Base, Special},
    {u"basefont", Tag::Basefont, Special},
    {u"bgsound", Tag::Bgsound, Special},
    {u"big", Tag::Big, Formats | LeavesForeign},
    {u"blockquote", Tag::Blockquote, Special | LeavesForeign},
    {u"body", Tag::Body, Special | LeavesForeign},
    {u"br", Tag::Br, Special | LeavesForeign},
    {u"button", Tag::Button, Special},
    {u"caption", Tag::Caption, Special | ImpliedEndThoroughly},
    {u"center", Tag::Center, Special | LeavesForeign},
    {u"code", Tag::Code, Formats | LeavesForeign},
    {u"col", Tag::Col, Special},
    {u"colgroup", Tag::Colgroup, Special | ImpliedEndThoroughly},
    {u"datalist", Tag::Datalist, HidesContent},
    {u"dd", Tag::Dd, Special | ImpliedEnd | ImpliedEndThoroughly | LeavesForeign},
    {u"desc", Tag::Desc, 0},
    {u"details", Tag::Details, Special},
    {u"dialog", Tag::Dialog, 0},
    {u"dir", Tag::Dir, Special},
    {u"div", Tag::Div, Special | LeavesForeign},
    {u"dl", Tag::Dl, Special | LeavesForeign},
    {u"dt", Tag::Dt, Special | ImpliedEnd | ImpliedEndThoroughly | LeavesForeign},
    {u"em", Tag::Em, Formats | LeavesForeign},
    {u"embed", Tag::Embed, Special | LeavesForeign},
    {u"fieldset", Tag::Fieldset, Special},
    {u"figcaption", Tag::Figcaption, Special},
    {u"figure", Tag::Figure, Special},
    {u"font", Tag::Font, Formats},
    {u"footer", Tag::Footer, Special},
    {u"foreignobject", Tag::ForeignObject, 0},
    {u"form", Tag::Form, Special},
    {u"frame", Tag::Frame, Special},
    {u"frameset", Tag::Frameset, Special},
    {u"h1", Tag::H1, Special | LeavesForeign},
    {u"h2", Tag::H2, Special | LeavesForeign},
    {u"h3", Tag::H3, Special | LeavesForeign},
    {u"h4", Tag::H4, Special | LeavesForeign},
    {u"h5", Tag::H5, Special | LeavesForeign},
    {u"h6", Tag::H6, Special | LeavesForeign},
    {u"head", Tag::Head, Special | LeavesForeign},
    {u"header", Tag::Header, Special},
    {u"hgroup", Tag::Hgroup, Special},
    {u"hr", Tag::Hr, Special | LeavesForeign},
    {u"html", Tag::Html, Special},
    {u"i", Tag::I, Formats | LeavesForeign},
    {u"iframe", Tag::Iframe, Special | HidesContent},
    {u"image", Tag::Image, 0},
    {u"img", Tag::Img, Special | LeavesForeign},
    {u"input", Tag::Input, Special},
    {u"keygen", Tag::Keygen, Special},
    {u"li", Tag::Li, Special | ImpliedEnd | ImpliedEndThoroughly | LeavesForeign},
    {u"link", Tag::Link, Special},
    {u"listing", Tag::Listing, Special | LeavesForeign},
    {u"main", Tag::Main, Special},
    {u"malignmark", Tag::Malignmark, 0},
    {u"marquee", Tag::Marquee, Special},
    {u"math", Tag::Math, 0},
    {u"menu", Tag::Menu, Special | LeavesForeign},
    {u"meta", Tag::Meta, Special | LeavesForeign},
    {u"mglyph", Tag::Mglyph, 0},
    {u"mi", Tag::Mi, 0},
    {u"mn", Tag::Mn, 0},
    {u"mo", Tag::Mo, 0},
    {u"ms", Tag::Ms, 0},
    {u"mtext", Tag::Mtext, 0},
    {u"nav", Tag::Nav, Special},
    {u"nobr", Tag::Nobr, Formats | LeavesForeign},
    {u"noembed", Tag::Noembed, Special | HidesContent},
    {u"noframes", Tag::Noframes, Special | HidesContent},
    {u"noscript", Tag::Noscript, Special},
    {u"object", Tag::Object, Special},
    {u"ol", Tag::Ol, Special | LeavesForeign},
    {u"optgroup", Tag::Optgroup, ImpliedEnd | ImpliedEndThoroughly | HidesContent},
    {u"option", Tag::Option, ImpliedEnd | ImpliedEndThoroughly | HidesContent},
    {u"p", Tag::P, Special | ImpliedEnd | ImpliedEndThoroughly | LeavesForeign},
    {u"param", Tag::Param, Special},
    {u"plaintext", Tag::Plaintext, Special},
    {u"pre", Tag::Pre, Special | LeavesForeign},
    {u"rb", Tag::Rb, ImpliedEnd | ImpliedEndThoroughly},
    {u"rp", Tag::Rp, ImpliedEnd | ImpliedEndThoroughly | HidesContent},
    {u"rt", Tag::Rt, ImpliedEnd | ImpliedEndThoroughly},
    {u"rtc", Tag::Rtc, ImpliedEnd | ImpliedEndThoroughly},
    {u"ruby", Tag::Ruby, LeavesForeign},
    {u"s", Tag::S, Formats | LeavesForeign},
    {u"script", Tag::Script, Special | HidesContent},
    {u"section", Tag::Section, Special},
    {u"select", Tag::Select, Special | HidesContent},
    {u"small", Tag::Small, Formats | LeavesForeign},
    {u"source", Tag::Source, Special},
    {u"span", Tag::Span, LeavesForeign},
    {u"strike", Tag::Strike, Formats | LeavesForeign},
    {u"strong", Tag::Strong, Formats | LeavesForeign},
    {u"style", Tag::Style, Special | HidesContent},
    {u"sub", Tag::Sub, LeavesForeign},
    {u"summary", Tag::Summary, Special},
    {u"sup", Tag::Sup, LeavesForeign},
    {u"svg", Tag::Svg, 0},
    {u"table", Tag::Table, Special | LeavesForeign},
    {u"tbody", Tag::Tbody, Special | ImpliedEndThoroughly},
    {u"td", Tag::Td, Special | ImpliedEndThoroughly},
    {u"template", Tag::Template, Special | HidesContent},
    {u"textarea", Tag::Textarea, Special | HidesContent},
    {u"tfoot", Tag::Tfoot, Special | ImpliedEndThoroughly},
    {u"th", Tag::Th, Special | ImpliedEndThoroughly},
    {u"thead", Tag::Thead, Special | ImpliedEndThoroughly},
    {u"title", Tag::Title, Special | HidesContent},
    {u"tr", Tag::Tr, Special | ImpliedEndThoroughly},
    {u"track", Tag::Track, Special},
    {u"tt", Tag::Tt, Formats | LeavesForeign},
    {u"u", Tag::U, Formats | LeavesForeign},
    {u"ul", Tag::Ul, Special | LeavesForeign},
    {u"var", Tag::Var, LeavesForeign},
    {u"wbr", Tag::Wbr, Special},
    {u"xmp", Tag::Xmp, Special},
};
// clang-format on
static_assert(std::is_sorted(std::begin(TagNames), std::end(TagNames),
                             [](const TagName &a, const TagName &b) { return a.name < b.name; }));

static_assert(std::size(TagNames) == std::size_t(Tag::Xmp), "every tag but Other has its name");

constexpr qsizetype LongestTagName = 14;

// Every tag's flags, by Tag.
constexpr std::array<int, std::size(TagNames) + 1> TagFlags = [] {
    std::array<int, std::size(TagNames) + 1> flags{};
    for (const TagName &entry : TagNames)
        flags[std::size_t(entry.tag)] = entry.flags;
    return flags;
}();

constexpr bool is(Tag tag, TagFlag flag)
{
    return (TagFlags[std::size_t(tag)] & flag) != 0;
}

Tag tagOf(std::u16string_view name)
{
    const auto *at = std::lower_bound(std::begin(TagNames), std::end(TagNames), name,
                                      [](const TagName &entry, std::u16string_view n) { return entry.name < n; });
    return at != std::end(TagNames) && at->name == name ? at->tag : Tag::Other;
}

// Names are compared by a hash of their lower case: a name of any length
// costs a few bytes.
constexpr std::uint64_t HashStart = 0xcbf29ce484222325ULL;
constexpr std::uint64_t hashOn(std::uint64_t hash, char16_t unit)
{
    return (hash ^ unit) * 0x100000001b3ULL;
}
constexpr std::uint64_t hashOf(std::u16string_view name)
{
    std::uint64_t hash = HashStart;
    for (const char16_t unit : name)
        hash = hashOn(hash, unit);
    return hash;
}

constexpr bool isAsciiAlpha(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
constexpr bool isAsciiAlnum(char16_t c)
{
    return isAsciiAlpha(c) || (c >= u'0' && c <= u'9');
}
constexpr char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
}
// Whitespace of the tokenizer and of the tree (CR never reaches either).
constexpr bool isSpace(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u' ' || c == u'\r';
}
bool isAllSpace(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isSpace(c.unicode()); });
}

// What numeric references to 0x80-0x9F give: windows-1252's characters.
constexpr char16_t C1Replacements[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Where the next '<', '&' or NUL is from at on, or the size: the data
// state's scan, which text spends most of its time in.
qsizetype nextStop(QStringView text, qsizetype at)
{
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
#ifdef __SSE2__
    // Eight units at a time, with no branch on what each one is.
    const __m128i less = _mm_set1_epi16(u'<');
    const __m128i ampersand = _mm_set1_epi16(u'&');
    const __m128i zero = _mm_setzero_si128();
    for (; at + 8 <= size; at += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + at));
        const __m128i stops =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, less), _mm_cmpeq_epi16(units, ampersand)),
                         _mm_cmpeq_epi16(units, zero));
        if (const int mask = _mm_movemask_epi8(stops))
            return at + std::countr_zero(unsigned(mask)) / 2;
    }
#endif
    while (at < size && data[at] != u'<' && data[at] != u'&' && data[at] != 0)
        ++at;
    return at;
}

// The first named reference whose name is name or sorts after it.
const shownentities::NamedReference *firstFrom(std::string_view name)
{
    const auto references = shownentities::namedReferences();
    const auto at =
        std::lower_bound(references.begin(), references.end(), name,
                         [](const shownentities::NamedReference &r, std::string_view n) { return r.name < n; });
    return at == references.end() ? nullptr : &*at;
}

// The named reference called name exactly, if any.
const shownentities::NamedReference *named(std::string_view name)
{
    static const std::unordered_map<std::string_view, const shownentities::NamedReference *> byName = [] {
        std::unordered_map<std::string_view, const shownentities::NamedReference *> map;
        for (const shownentities::NamedReference &r : shownentities::namedReferences())
            map.emplace(r.name, &r);
        return map;
    }();
    const auto at = byName.find(name);
    return at == byName.end() ? nullptr : at->second;
}

enum class Ns : std::uint8_t { Html, Svg, Math };

// clang-format off
enum class Mode : std::uint8_t {
    Initial, BeforeHtml, BeforeHead, InHead, InHeadNoscript, AfterHead, InBody, Text, InTable, InCaption,
    InColumnGroup, InTableBody, InRow, InCell, InSelect, InSelectInTable, InTemplate, AfterBody,
};
// clang-format on

// clang-format off
enum class State : std::uint8_t {
    Data, RawText, ScriptData, PlainText, TagOpen, EndTagOpen, TagName, RawLessThan, RawEndTagOpen, RawEndTagName,
    ScriptLessThan, ScriptEscapeStart, ScriptEscapeStartDash, ScriptEscaped, ScriptEscapedDash,
    ScriptEscapedDashDash, ScriptEscapedLessThan, ScriptDoubleEscapeStart, ScriptDoubleEscaped,
    ScriptDoubleEscapedDash, ScriptDoubleEscapedDashDash, ScriptDoubleEscapedLessThan, ScriptDoubleEscapeEnd,
    BeforeAttributeName, AttributeName, AfterAttributeName, BeforeAttributeValue, AttributeValueDouble,
    AttributeValueSingle, AttributeValueUnquoted, AfterAttributeValueQuoted, SelfClosingStartTag, BogusComment,
    MarkupDeclarationOpen, CommentStart, CommentStartDash, Comment, CommentEndDash, CommentEnd, CommentEndBang,
    Doctype, CdataSection, CdataSectionBracket, CdataSectionEnd, CharacterReference, NamedReference,
    NumericReference, HexadecimalStart, DecimalStart, Hexadecimal, Decimal,
};
// clang-format on

// A short text of fixed room: a name or value kept as far as it matters.
template<qsizetype Room>
struct Short
{
    std::array<char16_t, Room> units{};
    qsizetype size = 0; // may exceed Room: only the first Room units are kept

    void clear() { size = 0; }
    void append(char16_t c)
    {
        if (size < Room)
            units[size] = c;
        ++size;
    }
    [[nodiscard]] bool kept() const { return size <= Room; }
    [[nodiscard]] std::u16string_view view() const { return {units.data(), std::size_t(std::min(size, Room))}; }
    [[nodiscard]] bool equalsIgnoringCase(std::u16string_view text) const
    {
        if (!kept() || size != qsizetype(text.size()))
            return false;
        for (qsizetype i = 0; i < size; ++i) {
            if (asciiLower(units[i]) != text[i])
                return false;
        }
        return true;
    }
};

struct TagToken
{
    bool end = false;
    bool selfClosing = false;
    std::uint64_t name = HashStart;
    Short<LongestTagName> text;
    Tag tag = Tag::Other;
    // The attributes as far as the tree cares: all of them for telling
    // formatting elements apart, and a few by name.
    std::uint64_t attributes = 0;
    bool fontAttribute = false; // color, face or size (a font that leaves SVG)
    bool htmlEncoding = false; // encoding text/html or application/xhtml+xml
    bool hiddenType = false; // type=hidden
    bool openAttribute = false; // an open details or dialog
    bool hiddenAttribute = false; // not rendered
    bool seenEncoding = false;
    bool seenType = false;
    // The attribute being read.
    bool inAttribute = false;
    std::uint64_t attributeName = HashStart;
    std::uint64_t attributeValue = HashStart;
    Short<8> attributeText;
    Short<21> valueText;

    void start(bool isEnd)
    {
        *this = TagToken{};
        end = isEnd;
    }
    void appendName(char16_t c)
    {
        name = hashOn(name, c);
        text.append(c);
    }
    void startAttribute()
    {
        endAttribute();
        inAttribute = true;
        attributeName = HashStart;
        attributeValue = HashStart;
        attributeText.clear();
        valueText.clear();
    }
    void appendAttributeName(char16_t c)
    {
        attributeName = hashOn(attributeName, c);
        attributeText.append(c);
    }
    void appendValue(char16_t c)
    {
        attributeValue = hashOn(attributeValue, c);
        valueText.append(c);
    }
    [[nodiscard]] bool valueMatters() const
    {
        return attributeText.equalsIgnoringCase(u"encoding") || attributeText.equalsIgnoringCase(u"type");
    }
    void endAttribute()
    {
        if (!inAttribute)
            return;
        inAttribute = false;
        // The same set of attributes gives the same sum, in any order.
        attributes += hashOn(attributeName * 31, char16_t(attributeValue >> 7)) ^ attributeValue;
        const std::u16string_view n = attributeText.view();
        if (attributeText.kept() && (n == u"color" || n == u"face" || n == u"size"))
            fontAttribute = true;
        if (attributeText.kept() && n == u"encoding" && !std::exchange(seenEncoding, true))
            htmlEncoding =
                valueText.equalsIgnoringCase(u"text/html") || valueText.equalsIgnoringCase(u"application/xhtml+xml");
        if (attributeText.kept() && n == u"open")
            openAttribute = true;
        if (attributeText.kept() && n == u"hidden")
            hiddenAttribute = true;
        if (attributeText.kept() && n == u"type" && !std::exchange(seenType, true))
            hiddenType = valueText.equalsIgnoringCase(u"hidden");
    }
    void finish()
    {
        endAttribute();
        tag = text.kept() ? tagOf(text.view()) : Tag::Other;
    }
};

struct Element
{
    std::uint64_t name = 0;
    Tag tag = Tag::Other;
    Ns ns = Ns::Html;
    bool integration = false; // an HTML integration point
    bool closedDetails = false; // a details without open: all but its first summary hidden
    bool summarySeen = false;
    // 1 for an element whose content shows nothing, -1 for the first summary
    // of a closed details, which shows again, else 0.
    std::int8_t hides = 0;
    std::uint32_t id = 0;
    std::int32_t hidden = 0; // the sum of hides of this element and those below it
};

// An entry of the list of active formatting elements.
struct Formatting
{
    std::uint32_t element = 0; // 0: a marker
    bool open = true; // the element is on the stack
    std::uint64_t name = 0;
    Tag tag = Tag::Other;
    std::uint64_t attributes = 0;
    std::int8_t hides = 0; // the element's
};

constexpr std::uint64_t nameOf(Tag tag)
{
    for (const TagName &entry : TagNames) {
        if (entry.tag == tag)
            return hashOf(entry.name);
    }
    return 0;
}

bool isHeading(Tag t)
{
    return t >= Tag::H1 && t <= Tag::H6;
}

bool isFormattingTag(Tag t)
{
    return is(t, Formats);
}

bool isSpecial(const Element &e)
{
    if (e.ns == Ns::Math)
        return e.tag == Tag::Mi || e.tag == Tag::Mo || e.tag == Tag::Mn || e.tag == Tag::Ms || e.tag == Tag::Mtext
               || e.tag == Tag::AnnotationXml;
    if (e.ns == Ns::Svg)
        return e.tag == Tag::ForeignObject || e.tag == Tag::Desc || e.tag == Tag::Title;
    return is(e.tag, Special);
}

bool isMathTextIntegration(const Element &e)
{
    return e.ns == Ns::Math
           && (e.tag == Tag::Mi || e.tag == Tag::Mo || e.tag == Tag::Mn || e.tag == Tag::Ms || e.tag == Tag::Mtext);
}

bool isImpliedEnd(Tag t)
{
    return is(t, ImpliedEnd);
}

bool isImpliedEndThoroughly(Tag t)
{
    return is(t, ImpliedEndThoroughly);
}

// Start tags that end SVG or MathML content.
bool leavesForeignContent(const TagToken &t)
{
    return is(t.tag, LeavesForeign) || (t.tag == Tag::Font && t.fontAttribute);
}

enum class Scope { Default, ListItem, Button, Table, Select };

bool endsScope(const Element &e, Scope scope)
{
    if (scope == Scope::Select)
        return !(e.ns == Ns::Html && (e.tag == Tag::Optgroup || e.tag == Tag::Option));
    if (e.ns == Ns::Html && (e.tag == Tag::Html || e.tag == Tag::Table || e.tag == Tag::Template))
        return true;
    if (scope == Scope::Table)
        return false;
    if (e.ns == Ns::Html) {
        switch (e.tag) {
        case Tag::Applet:
        case Tag::Caption:
        case Tag::Td:
        case Tag::Th:
        case Tag::Marquee:
        case Tag::Object:
            return true;
        case Tag::Ol:
        case Tag::Ul:
            return scope == Scope::ListItem;
        case Tag::Button:
            return scope == Scope::Button;
        default:
            return false;
        }
    }
    return isSpecial(e); // the integration points of SVG and MathML
}

} // namespace

class ShownText::Parser
{
public:
    void feed(QStringView markup, QString &out);
    void finish(QString &out);
    [[nodiscard]] bool hidesAll() const { return m_hidesAll; }

private:
    // The tokenizer.
    void consume(char16_t c);
    void dataRun(QStringView markup, qsizetype &i);
    bool quickReference(QStringView markup, qsizetype &i);
    void rawRun(QStringView markup, qsizetype &i);
    void emitTag();
    void startReference(State returnTo);
    void referenceText(QStringView run);
    void resolveNamed(const char16_t *next);
    void resolveNumeric();
    [[nodiscard]] bool inAttributeValue() const
    {
        return m_return == State::AttributeValueDouble || m_return == State::AttributeValueSingle
               || m_return == State::AttributeValueUnquoted;
    }
    void startRawEndTag(State returnTo);
    void rawEndTagName(char16_t c);
    void abandonRawEndTag(char16_t c);

    // The tree.
    void characters(QStringView run);
    void startTag(const TagToken &t);
    void endTag(const TagToken &t);
    void otherToken() { m_skipNewline = false; }
    void process(Mode mode, QStringView run);
    void processStart(Mode mode, const TagToken &t);
    void processEnd(Mode mode, const TagToken &t);
    void foreignStart(const TagToken &t);
    void foreignEnd(const TagToken &t);
    void bodyCharacters(QStringView run);
    void bodyStart(const TagToken &t);
    void bodyEnd(const TagToken &t);
    void headStart(const TagToken &t);
    void templateEnd();
    void anyOtherEnd(const TagToken &t);
    void adoption(const TagToken &t);
    void show(QStringView run);
    [[nodiscard]] bool hidden() const { return m_hidesAll || insertionHidden() > 0; }
    [[nodiscard]] std::int32_t insertionHidden() const;
    [[nodiscard]] bool inForeignContent() const { return !m_stack.empty() && m_stack.back().ns != Ns::Html; }

    // The stack of open elements.
    void insert(const TagToken &t, Ns ns = Ns::Html);
    void insert(Tag tag);
    void push(Element e);
    void pop();
    void removeAt(qsizetype index);
    void insertAt(qsizetype index, Element e);
    void recountHidden(qsizetype from);
    [[nodiscard]] bool topIs(Tag tag) const
    {
        return !m_stack.empty() && m_stack.back().ns == Ns::Html && m_stack.back().tag == tag;
    }
    [[nodiscard]] bool has(Tag tag) const;
    [[nodiscard]] bool inScope(Tag tag, Scope scope = Scope::Default) const;
    [[nodiscard]] bool headingInScope() const;
    [[nodiscard]] qsizetype indexOf(std::uint32_t id) const;
    void popUntil(Tag tag);
    void popUntilHeading();
    void popUntilCell();
    void generateImpliedEndTags(Tag except = Tag::Other);
    void generateAllImpliedEndTags();
    void closeP();
    void closePInButtonScope();
    void clearBackTo(std::initializer_list<Tag> context);
    void closeCell();
    void resetMode();
    void rawText(const TagToken &t, State state);

    // The list of active formatting elements.
    void pushFormatting(const TagToken &t);
    void pushMarker();
    void clearToMarker();
    void reconstruct();
    void closeFormatting(std::uint32_t id);

    QString *m_out = nullptr;
    bool m_crLast = false; // the last piece ended in CR: an LF first in the next belongs to it

    State m_state = State::Data;
    State m_return = State::Data; // where a character reference or a raw end tag returns to
    TagToken m_tag;
    Short<16> m_rawName; // the end tag that ends the raw text under way, lower case
    Short<16> m_buffer; // the tokenizer's temporary buffer
    Short<8> m_declaration; // what follows "<!"
    std::array<char, 40> m_reference{}; // a named reference's name so far
    qsizetype m_referenceSize = 0;
    char16_t m_hexMark = u'x';
    std::uint32_t m_number = 0;

    Mode m_mode = Mode::Initial;
    Mode m_original = Mode::InBody; // to return to from Text
    std::vector<Mode> m_templateModes;
    std::vector<Element> m_stack;
    std::vector<Formatting> m_formatting;
    std::uint32_t m_nextId = 1;
    std::uint32_t m_form = 0;
    bool m_skipNewline = false;
    bool m_foster = false; // inserting as the table modes do what belongs outside tables
    bool m_hidesAll = false; // the page's html or body was made hidden
    // Foster parenting on while a token is processed so.
    struct Fostering
    {
        explicit Fostering(bool &on) : m_on(on), m_was(std::exchange(on, true)) { }
        ~Fostering() { m_on = m_was; }
        Fostering(const Fostering &) = delete;
        Fostering &operator=(const Fostering &) = delete;
        bool &m_on;
        bool m_was;
    };
};

// The tokenizer.

void ShownText::Parser::feed(QStringView markup, QString &out)
{
    m_out = &out;
    // The input stream's line ends: CR LF and CR are LF.
    QString normalized;
    if (markup.contains(u'\r') || (m_crLast && markup.startsWith(u'\n'))) {
        normalized.reserve(markup.size());
        for (const QChar c : markup) {
            if (c == u'\n' && std::exchange(m_crLast, false))
                continue;
            m_crLast = c == u'\r';
            normalized.append(m_crLast ? QChar(u'\n') : c);
        }
        markup = normalized;
    } else if (!markup.isEmpty()) {
        m_crLast = false;
    }
    for (qsizetype i = 0; i < markup.size();) {
        switch (m_state) {
        case State::Data:
            dataRun(markup, i);
            break;
        case State::RawText:
        case State::ScriptData:
        case State::ScriptEscaped:
        case State::ScriptDoubleEscaped:
        case State::PlainText:
        case State::Comment:
        case State::BogusComment:
        case State::Doctype:
        case State::CdataSection:
        case State::AttributeValueDouble:
        case State::AttributeValueSingle:
            rawRun(markup, i);
            break;
        default:
            consume(markup[i++].unicode());
            break;
        }
    }
    m_out = nullptr;
}

// Text in the data state up to the next character the tokenizer must look at.
void ShownText::Parser::dataRun(QStringView markup, qsizetype &i)
{
    const qsizetype start = i;
    i = nextStop(markup, i);
    if (i > start)
        characters(markup.sliced(start, i - start));
    if (i < markup.size() && !(markup[i] == u'&' && quickReference(markup, i)))
        consume(markup[i++].unicode());
}

// A named reference whose name lies whole in the piece, read at once: the
// longest name that begins there (the same as the tokenizer finds character
// by character). i is at the '&'; false leaves it to the tokenizer.
bool ShownText::Parser::quickReference(QStringView markup, qsizetype &i)
{
    std::array<char, 34> name{};
    qsizetype end = i + 1;
    while (end < markup.size() && end - i - 1 < 32 && isAsciiAlnum(markup[end].unicode())) {
        name[std::size_t(end - i - 1)] = static_cast<char>(markup[end].unicode());
        ++end;
    }
    qsizetype length = end - i - 1;
    if (length == 0 || end == markup.size())
        return false;
    if (markup[end] == u';')
        name[std::size_t(length++)] = ';';
    // The paragraph indent of every line first.
    if (length == 5 && std::string_view(name.data(), 5) == "nbsp;") {
        characters(u"\u00A0");
        i += 6;
        return true;
    }
    for (; length > 0; --length) {
        if (const auto *at = named(std::string_view(name.data(), std::size_t(length)))) {
            const char16_t value[] = {at->first, at->second};
            characters(QStringView(value, at->second != 0 ? 2 : 1));
            i += 1 + length;
            return true;
        }
    }
    characters(u"&");
    ++i;
    return true;
}

// The long runs of other states: text that is not markup, comments,
// attribute values.
void ShownText::Parser::rawRun(QStringView markup, qsizetype &i)
{
    const qsizetype start = i;
    const char16_t *data = markup.utf16();
    const auto until = [&](auto stop) {
        while (i < markup.size() && !stop(data[i]))
            ++i;
    };
    switch (m_state) {
    case State::RawText:
    case State::PlainText:
        until([this](char16_t c) { return c == 0 || (c == u'<' && m_state == State::RawText); });
        // Shown only in xmp and plaintext; a NUL there is U+FFFD.
        if (i > start)
            characters(markup.sliced(start, i - start));
        if (i < markup.size() && data[i] == 0) {
            ++i;
            characters(u"\uFFFD");
            return;
        }
        break;
    case State::ScriptData:
        until([](char16_t c) { return c == u'<'; });
        break;
    case State::ScriptEscaped:
    case State::ScriptDoubleEscaped:
        until([](char16_t c) { return c == u'<' || c == u'-'; });
        break;
    case State::Comment:
        until([](char16_t c) { return c == u'-'; });
        break;
    case State::BogusComment:
    case State::Doctype:
        until([](char16_t c) { return c == u'>'; });
        break;
    case State::CdataSection:
        until([](char16_t c) { return c == u']'; });
        if (i > start)
            characters(markup.sliced(start, i - start));
        break;
    case State::AttributeValueDouble:
    case State::AttributeValueSingle: {
        const char16_t quote = m_state == State::AttributeValueDouble ? u'"' : u'\'';
        if (m_tag.valueMatters()) {
            until([quote](char16_t c) { return c == quote || c == u'&' || c == 0; });
            for (qsizetype k = start; k < i; ++k)
                m_tag.appendValue(data[k]);
        } else {
            // The value is told apart by its units alone.
            until([quote](char16_t c) { return c == quote || c == 0; });
            for (qsizetype k = start; k < i; ++k)
                m_tag.attributeValue = hashOn(m_tag.attributeValue, data[k]);
        }
        break;
    }
    default:
        break;
    }
    if (i < markup.size())
        consume(data[i++]);
}

void ShownText::Parser::consume(char16_t c)
{
    switch (m_state) {
    case State::Data:
        if (c == u'&')
            startReference(State::Data);
        else if (c == u'<')
            m_state = State::TagOpen;
        else if (c != 0) // dropped as it is read, as the view's parser does
            characters(QStringView(&c, 1));
        return;
    case State::RawText:
    case State::PlainText:
        if (c == u'<' && m_state == State::RawText)
            m_state = State::RawLessThan;
        else
            characters(c == 0 ? QStringView(u"\uFFFD") : QStringView(&c, 1));
        return;
    case State::ScriptData:
        if (c == u'<')
            m_state = State::ScriptLessThan;
        return;
    case State::TagOpen:
        if (c == 0)
            c = u'\uFFFD'; // the view's parser reads it so after a '<'
        if (c == u'!') {
            m_state = State::MarkupDeclarationOpen;
            m_declaration.clear();
        } else if (c == u'/') {
            m_state = State::EndTagOpen;
        } else if (isAsciiAlpha(c)) {
            m_tag.start(false);
            m_state = State::TagName;
            consume(c);
        } else if (c == u'?') {
            m_state = State::BogusComment;
            otherToken();
        } else {
            m_state = State::Data;
            characters(u"<");
            consume(c);
        }
        return;
    case State::EndTagOpen:
        if (isAsciiAlpha(c)) {
            m_tag.start(true);
            m_state = State::TagName;
            consume(c);
        } else if (c == u'>') {
            m_state = State::Data;
        } else {
            m_state = State::BogusComment;
            otherToken();
            consume(c);
        }
        return;
    case State::TagName:
        if (isSpace(c))
            m_state = State::BeforeAttributeName;
        else if (c == u'/')
            m_state = State::SelfClosingStartTag;
        else if (c == u'>')
            emitTag();
        else
            m_tag.appendName(c == 0 ? u'\uFFFD' : asciiLower(c));
        return;
    case State::RawLessThan:
        if (c == u'/') {
            startRawEndTag(State::RawText);
        } else {
            m_state = State::RawText;
            characters(u"<");
            consume(c);
        }
        return;
    case State::RawEndTagOpen:
        if (isAsciiAlpha(c)) {
            m_state = State::RawEndTagName;
            rawEndTagName(c);
        } else {
            m_state = m_return;
            if (m_return == State::RawText)
                characters(u"</");
            consume(c);
        }
        return;
    case State::RawEndTagName:
        rawEndTagName(c);
        return;
    case State::ScriptLessThan:
        if (c == u'/') {
            startRawEndTag(State::ScriptData);
        } else if (c == u'!') {
            m_state = State::ScriptEscapeStart;
        } else {
            m_state = State::ScriptData;
            consume(c);
        }
        return;
    case State::ScriptEscapeStart:
        if (c == u'-') {
            m_state = State::ScriptEscapeStartDash;
        } else {
            m_state = State::ScriptData;
            consume(c);
        }
        return;
    case State::ScriptEscapeStartDash:
        if (c == u'-') {
            m_state = State::ScriptEscapedDashDash;
        } else {
            m_state = State::ScriptData;
            consume(c);
        }
        return;
    case State::ScriptEscaped:
        if (c == u'-')
            m_state = State::ScriptEscapedDash;
        else if (c == u'<')
            m_state = State::ScriptEscapedLessThan;
        return;
    case State::ScriptEscapedDash:
        if (c == u'-')
            m_state = State::ScriptEscapedDashDash;
        else if (c == u'<')
            m_state = State::ScriptEscapedLessThan;
        else
            m_state = State::ScriptEscaped;
        return;
    case State::ScriptEscapedDashDash:
        if (c == u'<')
            m_state = State::ScriptEscapedLessThan;
        else if (c == u'>')
            m_state = State::ScriptData;
        else if (c != u'-')
            m_state = State::ScriptEscaped;
        return;
    case State::ScriptEscapedLessThan:
        if (c == u'/') {
            startRawEndTag(State::ScriptEscaped);
        } else if (isAsciiAlpha(c)) {
            m_buffer.clear();
            m_state = State::ScriptDoubleEscapeStart;
            consume(c);
        } else {
            m_state = State::ScriptEscaped;
            consume(c);
        }
        return;
    case State::ScriptDoubleEscapeStart:
    case State::ScriptDoubleEscapeEnd: {
        const bool start = m_state == State::ScriptDoubleEscapeStart;
        if (isSpace(c) || c == u'/' || c == u'>') {
            const bool script = m_buffer.equalsIgnoringCase(u"script");
            m_state = script == start ? State::ScriptDoubleEscaped : State::ScriptEscaped;
        } else if (isAsciiAlpha(c)) {
            m_buffer.append(asciiLower(c));
        } else {
            m_state = start ? State::ScriptEscaped : State::ScriptDoubleEscaped;
            consume(c);
        }
        return;
    }
    case State::ScriptDoubleEscaped:
        if (c == u'-')
            m_state = State::ScriptDoubleEscapedDash;
        else if (c == u'<')
            m_state = State::ScriptDoubleEscapedLessThan;
        return;
    case State::ScriptDoubleEscapedDash:
        if (c == u'-')
            m_state = State::ScriptDoubleEscapedDashDash;
        else if (c == u'<')
            m_state = State::ScriptDoubleEscapedLessThan;
        else
            m_state = State::ScriptDoubleEscaped;
        return;
    case State::ScriptDoubleEscapedDashDash:
        if (c == u'<')
            m_state = State::ScriptDoubleEscapedLessThan;
        else if (c == u'>')
            m_state = State::ScriptData;
        else if (c != u'-')
            m_state = State::ScriptDoubleEscaped;
        return;
    case State::ScriptDoubleEscapedLessThan:
        if (c == u'/') {
            m_buffer.clear();
            m_state = State::ScriptDoubleEscapeEnd;
        } else {
            m_state = State::ScriptDoubleEscaped;
            consume(c);
        }
        return;
    case State::BeforeAttributeName:
        if (isSpace(c))
            return;
        if (c == u'/' || c == u'>') {
            m_state = State::AfterAttributeName;
            consume(c);
            return;
        }
        m_tag.startAttribute();
        m_state = State::AttributeName;
        if (c == u'=')
            m_tag.appendAttributeName(c);
        else
            consume(c);
        return;
    case State::AttributeName:
        if (isSpace(c) || c == u'/' || c == u'>') {
            m_state = State::AfterAttributeName;
            consume(c);
        } else if (c == u'=') {
            m_state = State::BeforeAttributeValue;
        } else {
            m_tag.appendAttributeName(c == 0 ? u'\uFFFD' : asciiLower(c));
        }
        return;
    case State::AfterAttributeName:
        if (isSpace(c))
            return;
        if (c == u'/') {
            m_state = State::SelfClosingStartTag;
        } else if (c == u'=') {
            m_state = State::BeforeAttributeValue;
        } else if (c == u'>') {
            emitTag();
        } else {
            m_tag.startAttribute();
            m_state = State::AttributeName;
            consume(c);
        }
        return;
    case State::BeforeAttributeValue:
        if (isSpace(c))
            return;
        if (c == u'"') {
            m_state = State::AttributeValueDouble;
        } else if (c == u'\'') {
            m_state = State::AttributeValueSingle;
        } else if (c == u'>') {
            emitTag();
        } else {
            m_state = State::AttributeValueUnquoted;
            consume(c);
        }
        return;
    case State::AttributeValueDouble:
    case State::AttributeValueSingle:
        if (c == (m_state == State::AttributeValueDouble ? u'"' : u'\''))
            m_state = State::AfterAttributeValueQuoted;
        else if (c == u'&' && m_tag.valueMatters())
            startReference(m_state);
        else
            m_tag.appendValue(c == 0 ? u'\uFFFD' : c);
        return;
    case State::AttributeValueUnquoted:
        if (isSpace(c))
            m_state = State::BeforeAttributeName;
        else if (c == u'>')
            emitTag();
        else if (c == u'&' && m_tag.valueMatters())
            startReference(m_state);
        else
            m_tag.appendValue(c == 0 ? u'\uFFFD' : c);
        return;
    case State::AfterAttributeValueQuoted:
        if (isSpace(c)) {
            m_state = State::BeforeAttributeName;
        } else if (c == u'/') {
            m_state = State::SelfClosingStartTag;
        } else if (c == u'>') {
            emitTag();
        } else {
            m_state = State::BeforeAttributeName;
            consume(c);
        }
        return;
    case State::SelfClosingStartTag:
        if (c == u'>') {
            m_tag.selfClosing = true;
            emitTag();
        } else {
            m_state = State::BeforeAttributeName;
            consume(c);
        }
        return;
    case State::BogusComment:
        if (c == u'>')
            m_state = State::Data;
        return;
    case State::MarkupDeclarationOpen: {
        m_declaration.append(c);
        const std::u16string_view seen = m_declaration.view();
        const auto opens = [&](std::u16string_view what, bool anyCase) {
            if (seen.size() > what.size())
                return false;
            for (std::size_t k = 0; k < seen.size(); ++k) {
                if ((anyCase ? asciiLower(seen[k]) : seen[k]) != what[k])
                    return false;
            }
            return true;
        };
        if (seen == u"--") {
            m_state = State::CommentStart;
            otherToken();
        } else if (seen == u"[CDATA[") {
            // Outside SVG and MathML a bogus comment, with no '>' read yet.
            m_state = inForeignContent() ? State::CdataSection : State::BogusComment;
            if (m_state == State::BogusComment)
                otherToken();
        } else if (seen.size() == 7 && opens(u"doctype", true)) {
            m_state = State::Doctype;
            otherToken();
            if (m_mode == Mode::Initial)
                m_mode = Mode::BeforeHtml;
        } else if (!opens(u"--", false) && !opens(u"doctype", true) && !opens(u"[CDATA[", false)) {
            // A bogus comment, which may end among what was read.
            m_state = State::BogusComment;
            otherToken();
            const Short<8> seenSoFar = m_declaration;
            for (const char16_t s : seenSoFar.view())
                consume(s);
        }
        return;
    }
    case State::CommentStart:
        if (c == u'-') {
            m_state = State::CommentStartDash;
        } else if (c == u'>') {
            m_state = State::Data;
        } else {
            m_state = State::Comment;
            consume(c);
        }
        return;
    case State::CommentStartDash:
        if (c == u'-') {
            m_state = State::CommentEnd;
        } else if (c == u'>') {
            m_state = State::Data;
        } else {
            m_state = State::Comment;
            consume(c);
        }
        return;
    case State::Comment:
        if (c == u'-')
            m_state = State::CommentEndDash;
        return;
    case State::CommentEndDash:
        m_state = c == u'-' ? State::CommentEnd : State::Comment;
        return;
    case State::CommentEnd:
        if (c == u'>') {
            m_state = State::Data;
        } else if (c == u'!') {
            m_state = State::CommentEndBang;
        } else if (c != u'-') {
            m_state = State::Comment;
            consume(c);
        }
        return;
    case State::CommentEndBang:
        if (c == u'-') {
            m_state = State::CommentEndDash;
        } else if (c == u'>') {
            m_state = State::Data;
        } else {
            m_state = State::Comment;
            consume(c);
        }
        return;
    case State::Doctype:
        if (c == u'>')
            m_state = State::Data;
        return;
    case State::CdataSection:
        if (c == u']')
            m_state = State::CdataSectionBracket;
        else
            characters(QStringView(&c, 1));
        return;
    case State::CdataSectionBracket:
        if (c == u']') {
            m_state = State::CdataSectionEnd;
        } else {
            m_state = State::CdataSection;
            characters(u"]");
            consume(c);
        }
        return;
    case State::CdataSectionEnd:
        if (c == u'>') {
            m_state = State::Data;
        } else if (c == u']') {
            characters(u"]");
        } else {
            m_state = State::CdataSection;
            characters(u"]]");
            consume(c);
        }
        return;
    case State::CharacterReference:
        if (isAsciiAlnum(c)) {
            m_state = State::NamedReference;
            m_referenceSize = 0;
            consume(c);
        } else if (c == u'#') {
            m_state = State::NumericReference;
        } else {
            m_state = m_return;
            referenceText(u"&");
            consume(c);
        }
        return;
    case State::NamedReference: {
        if ((isAsciiAlnum(c) || c == u';') && m_referenceSize < qsizetype(m_reference.size())) {
            m_reference[m_referenceSize] = static_cast<char>(c);
            const std::string_view candidate(m_reference.data(), m_referenceSize + 1);
            if (const auto *at = firstFrom(candidate); at && at->name.starts_with(candidate)) {
                ++m_referenceSize;
                if (c == u';')
                    resolveNamed(nullptr);
                return;
            }
        }
        resolveNamed(&c);
        consume(c);
        return;
    }
    case State::NumericReference:
        m_number = 0;
        if (c == u'x' || c == u'X') {
            m_hexMark = c;
            m_state = State::HexadecimalStart;
        } else {
            m_state = State::DecimalStart;
            consume(c);
        }
        return;
    case State::HexadecimalStart:
    case State::DecimalStart: {
        const bool hex = m_state == State::HexadecimalStart;
        if (hex ? (isAsciiAlnum(c) && (c <= u'9' || asciiLower(c) <= u'f')) : (c >= u'0' && c <= u'9')) {
            m_state = hex ? State::Hexadecimal : State::Decimal;
            consume(c);
        } else {
            m_state = m_return;
            const char16_t written[] = {u'&', u'#', m_hexMark};
            referenceText(QStringView(written, hex ? 3 : 2));
            consume(c);
        }
        return;
    }
    case State::Hexadecimal:
    case State::Decimal: {
        const bool hex = m_state == State::Hexadecimal;
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && asciiLower(c) >= u'a' && asciiLower(c) <= u'f')
            digit = asciiLower(c) - u'a' + 10;
        if (digit >= 0) {
            m_number = std::min<std::uint32_t>(m_number * (hex ? 16 : 10) + std::uint32_t(digit), 0x110000);
            return;
        }
        resolveNumeric();
        if (c != u';')
            consume(c);
        return;
    }
    }
}

void ShownText::Parser::startReference(State returnTo)
{
    m_return = returnTo;
    m_state = State::CharacterReference;
}

// What a reference gives, or the text it stays as, where it was met.
void ShownText::Parser::referenceText(QStringView run)
{
    if (inAttributeValue()) {
        for (const QChar c : run)
            m_tag.appendValue(c.unicode());
    } else {
        characters(run);
    }
}

// The longest name read that is a reference's; next is the character after
// what was read (none when the name ended in ';').
void ShownText::Parser::resolveNamed(const char16_t *next)
{
    m_state = m_return;
    std::array<char16_t, 41> written{u'&'};
    for (qsizetype k = 0; k < m_referenceSize; ++k)
        written[std::size_t(k + 1)] = char16_t(m_reference[std::size_t(k)]);
    for (qsizetype length = m_referenceSize; length > 0; --length) {
        const std::string_view name(m_reference.data(), length);
        const auto *at = named(name);
        if (!at)
            continue;
        const char16_t after = length < m_referenceSize ? char16_t(m_reference[length]) : (next ? *next : 0);
        // In an attribute, "&amp=" or "&ampx" stays as written.
        if (inAttributeValue() && name.back() != ';' && (after == u'=' || isAsciiAlnum(after)))
            break;
        const char16_t value[] = {at->first, at->second};
        referenceText(QStringView(value, at->second != 0 ? 2 : 1));
        referenceText(QStringView(written.data() + 1 + length, m_referenceSize - length));
        m_referenceSize = 0;
        return;
    }
    referenceText(QStringView(written.data(), m_referenceSize + 1));
    m_referenceSize = 0;
}

void ShownText::Parser::resolveNumeric()
{
    m_state = m_return;
    std::uint32_t code = m_number;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    else if (code >= 0x80 && code <= 0x9F)
        code = C1Replacements[code - 0x80];
    const char32_t character = code;
    referenceText(QStringView(QString::fromUcs4(&character, 1)));
}

void ShownText::Parser::startRawEndTag(State returnTo)
{
    m_return = returnTo;
    m_buffer.clear();
    m_state = State::RawEndTagOpen;
}

// A raw end tag's name is read only as long as it may be the one that ends
// the raw text: once it cannot, it was text all along.
void ShownText::Parser::rawEndTagName(char16_t c)
{
    const std::u16string_view expected = m_return == State::RawText ? m_rawName.view() : std::u16string_view(u"script");
    if (isAsciiAlpha(c)) {
        if (m_buffer.size < qsizetype(expected.size()) && asciiLower(c) == expected[std::size_t(m_buffer.size)]) {
            m_buffer.append(c);
            return;
        }
        abandonRawEndTag(c);
        return;
    }
    if ((isSpace(c) || c == u'/' || c == u'>') && m_buffer.size == qsizetype(expected.size())) {
        m_tag.start(true);
        for (const char16_t unit : expected)
            m_tag.appendName(unit);
        m_state = State::BeforeAttributeName;
        consume(c);
        return;
    }
    abandonRawEndTag(c);
}

void ShownText::Parser::abandonRawEndTag(char16_t c)
{
    m_state = m_return;
    if (m_return == State::RawText) {
        characters(u"</");
        if (m_buffer.size > 0)
            characters(QStringView(m_buffer.units.data(), m_buffer.size));
    }
    consume(c);
}

void ShownText::Parser::emitTag()
{
    m_state = State::Data;
    m_tag.finish();
    if (m_tag.end)
        endTag(m_tag);
    else
        startTag(m_tag);
}

void ShownText::Parser::finish(QString &out)
{
    m_out = &out;
    switch (m_state) {
    case State::TagOpen:
        characters(u"<");
        break;
    case State::EndTagOpen:
        characters(u"</");
        break;
    case State::RawLessThan:
        characters(u"<");
        break;
    case State::RawEndTagOpen:
    case State::RawEndTagName:
        if (m_return == State::RawText) {
            characters(u"</");
            if (m_buffer.size > 0)
                characters(QStringView(m_buffer.units.data(), m_buffer.size));
        }
        break;
    case State::CdataSectionBracket:
        characters(u"]");
        break;
    case State::CdataSectionEnd:
        characters(u"]]");
        break;
    case State::CharacterReference:
        m_state = m_return;
        referenceText(u"&");
        break;
    case State::NamedReference:
        resolveNamed(nullptr);
        break;
    case State::NumericReference:
        m_state = m_return;
        referenceText(u"&#");
        break;
    case State::HexadecimalStart:
    case State::DecimalStart: {
        const bool hex = m_state == State::HexadecimalStart;
        m_state = m_return;
        const char16_t written[] = {u'&', u'#', m_hexMark};
        referenceText(QStringView(written, hex ? 3 : 2));
        break;
    }
    case State::Hexadecimal:
    case State::Decimal:
        resolveNumeric();
        break;
    default:
        break;
    }
    m_state = State::Data;
    m_out = nullptr;
}

// The tree.

void ShownText::Parser::show(QStringView run)
{
    if (!hidden() && m_out)
        m_out->append(run);
}

void ShownText::Parser::characters(QStringView run)
{
    if (run.isEmpty())
        return;
    if (std::exchange(m_skipNewline, false) && run.front() == u'\n') {
        run = run.sliced(1);
        if (run.isEmpty())
            return;
    }
    if (m_stack.empty() || m_stack.back().ns == Ns::Html || isMathTextIntegration(m_stack.back())
        || m_stack.back().integration) {
        process(m_mode, run);
        return;
    }
    show(run); // foreign content: never shown
}

void ShownText::Parser::process(Mode mode, QStringView run)
{
    switch (mode) {
    case Mode::Initial:
    case Mode::BeforeHtml:
    case Mode::BeforeHead: {
        qsizetype blank = 0;
        while (blank < run.size() && isSpace(run[blank].unicode()))
            ++blank;
        run = run.sliced(blank);
        if (run.isEmpty())
            return;
        if (mode == Mode::Initial) {
            m_mode = Mode::BeforeHtml;
        } else if (mode == Mode::BeforeHtml) {
            insert(Tag::Html);
            m_mode = Mode::BeforeHead;
        } else {
            insert(Tag::Head);
            m_mode = Mode::InHead;
        }
        process(m_mode, run);
        return;
    }
    case Mode::InHead:
    case Mode::InHeadNoscript:
    case Mode::AfterHead: {
        // Whitespace in the head, or before the body: not in the body, where
        // the page's text is.
        qsizetype blank = 0;
        while (blank < run.size() && isSpace(run[blank].unicode()))
            ++blank;
        run = run.sliced(blank);
        if (run.isEmpty())
            return;
        if (mode == Mode::AfterHead) {
            insert(Tag::Body);
            m_mode = Mode::InBody;
        } else {
            pop();
            m_mode = mode == Mode::InHead ? Mode::AfterHead : Mode::InHead;
        }
        process(m_mode, run);
        return;
    }
    case Mode::Text:
        show(run);
        return;
    case Mode::InTable:
    case Mode::InTableBody:
    case Mode::InRow: {
        const bool tableText = topIs(Tag::Table) || topIs(Tag::Tbody) || topIs(Tag::Template) || topIs(Tag::Tfoot)
                               || topIs(Tag::Thead) || topIs(Tag::Tr);
        if (tableText && isAllSpace(run)) {
            show(run);
            return;
        }
        // Taken out of the table and shown before it: counted here.
        const Fostering fostering(m_foster);
        bodyCharacters(run);
        return;
    }
    case Mode::InColumnGroup: {
        qsizetype blank = 0;
        while (blank < run.size() && isSpace(run[blank].unicode()))
            ++blank;
        show(run.first(blank));
        run = run.sliced(blank);
        if (run.isEmpty() || !topIs(Tag::Colgroup))
            return;
        pop();
        m_mode = Mode::InTable;
        process(m_mode, run);
        return;
    }
    case Mode::InSelect:
    case Mode::InSelectInTable:
        show(run);
        return;
    case Mode::InBody:
    case Mode::InCaption:
    case Mode::InCell:
    case Mode::InTemplate:
    case Mode::AfterBody:
        if (mode == Mode::AfterBody && !isAllSpace(run))
            m_mode = Mode::InBody;
        bodyCharacters(run);
        return;
    }
}

void ShownText::Parser::bodyCharacters(QStringView run)
{
    reconstruct();
    show(run);
}

void ShownText::Parser::startTag(const TagToken &t)
{
    m_skipNewline = false;
    if (m_stack.empty()) {
        processStart(m_mode, t);
        return;
    }
    const Element &top = m_stack.back();
    if (top.ns == Ns::Html || (isMathTextIntegration(top) && t.tag != Tag::Mglyph && t.tag != Tag::Malignmark)
        || (top.ns == Ns::Math && top.tag == Tag::AnnotationXml && t.tag == Tag::Svg) || top.integration) {
        processStart(m_mode, t);
        return;
    }
    foreignStart(t);
}

void ShownText::Parser::endTag(const TagToken &t)
{
    m_skipNewline = false;
    if (m_stack.empty() || m_stack.back().ns == Ns::Html) {
        processEnd(m_mode, t);
        return;
    }
    foreignEnd(t);
}

void ShownText::Parser::foreignStart(const TagToken &t)
{
    if (leavesForeignContent(t)) {
        while (!m_stack.empty() && m_stack.back().ns != Ns::Html && !isMathTextIntegration(m_stack.back())
               && !m_stack.back().integration)
            pop();
        processStart(m_mode, t);
        return;
    }
    insert(t, m_stack.back().ns);
    if (t.selfClosing)
        pop();
}

void ShownText::Parser::foreignEnd(const TagToken &t)
{
    if (t.tag == Tag::Br || t.tag == Tag::P) {
        while (!m_stack.empty() && m_stack.back().ns != Ns::Html && !isMathTextIntegration(m_stack.back())
               && !m_stack.back().integration)
            pop();
        processEnd(m_mode, t);
        return;
    }
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i > 0; --i) {
        if (m_stack[std::size_t(i)].name == t.name) {
            while (qsizetype(m_stack.size()) > i)
                pop();
            return;
        }
        if (m_stack[std::size_t(i - 1)].ns == Ns::Html) {
            processEnd(m_mode, t);
            return;
        }
    }
}

void ShownText::Parser::processStart(Mode mode, const TagToken &t)
{
    switch (mode) {
    case Mode::Initial:
        m_mode = Mode::BeforeHtml;
        processStart(m_mode, t);
        return;
    case Mode::BeforeHtml:
        insert(Tag::Html);
        m_mode = Mode::BeforeHead;
        if (t.tag != Tag::Html)
            processStart(m_mode, t);
        return;
    case Mode::BeforeHead:
        if (t.tag == Tag::Html)
            return;
        insert(Tag::Head);
        m_mode = Mode::InHead;
        if (t.tag != Tag::Head)
            processStart(m_mode, t);
        return;
    case Mode::InHead:
        switch (t.tag) {
        case Tag::Html:
        case Tag::Head:
            return;
        case Tag::Base:
        case Tag::Basefont:
        case Tag::Bgsound:
        case Tag::Link:
        case Tag::Meta:
        case Tag::Title:
        case Tag::Noframes:
        case Tag::Style:
        case Tag::Script:
        case Tag::Template:
            headStart(t);
            return;
        case Tag::Noscript:
            insert(t);
            m_mode = Mode::InHeadNoscript;
            return;
        default:
            pop();
            m_mode = Mode::AfterHead;
            processStart(m_mode, t);
            return;
        }
    case Mode::InHeadNoscript:
        switch (t.tag) {
        case Tag::Html:
        case Tag::Head:
        case Tag::Noscript:
            return;
        case Tag::Basefont:
        case Tag::Bgsound:
        case Tag::Link:
        case Tag::Meta:
        case Tag::Noframes:
        case Tag::Style:
            headStart(t);
            return;
        default:
            pop();
            m_mode = Mode::InHead;
            processStart(m_mode, t);
            return;
        }
    case Mode::AfterHead:
        switch (t.tag) {
        case Tag::Html:
        case Tag::Head:
            return;
        case Tag::Body:
            insert(t);
            m_mode = Mode::InBody;
            return;
        case Tag::Base:
        case Tag::Basefont:
        case Tag::Bgsound:
        case Tag::Link:
        case Tag::Meta:
        case Tag::Noframes:
        case Tag::Script:
        case Tag::Style:
        case Tag::Template:
        case Tag::Title:
            headStart(t);
            return;
        default:
            insert(Tag::Body);
            m_mode = Mode::InBody;
            processStart(m_mode, t);
            return;
        }
    case Mode::Text:
        return;
    case Mode::InBody:
        bodyStart(t);
        return;
    case Mode::AfterBody:
        m_mode = Mode::InBody;
        bodyStart(t);
        return;
    case Mode::InTable:
        switch (t.tag) {
        case Tag::Caption:
            clearBackTo({Tag::Table, Tag::Template, Tag::Html});
            pushMarker();
            insert(t);
            m_mode = Mode::InCaption;
            return;
        case Tag::Colgroup:
            clearBackTo({Tag::Table, Tag::Template, Tag::Html});
            insert(t);
            m_mode = Mode::InColumnGroup;
            return;
        case Tag::Col:
            clearBackTo({Tag::Table, Tag::Template, Tag::Html});
            insert(Tag::Colgroup);
            m_mode = Mode::InColumnGroup;
            processStart(m_mode, t);
            return;
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
            clearBackTo({Tag::Table, Tag::Template, Tag::Html});
            insert(t);
            m_mode = Mode::InTableBody;
            return;
        case Tag::Td:
        case Tag::Th:
        case Tag::Tr:
            clearBackTo({Tag::Table, Tag::Template, Tag::Html});
            insert(Tag::Tbody);
            m_mode = Mode::InTableBody;
            processStart(m_mode, t);
            return;
        case Tag::Table:
            if (!inScope(Tag::Table, Scope::Table))
                return;
            popUntil(Tag::Table);
            resetMode();
            processStart(m_mode, t);
            return;
        case Tag::Style:
        case Tag::Script:
        case Tag::Template:
            headStart(t);
            return;
        case Tag::Input:
            if (!t.hiddenType)
                bodyStart(t);
            return;
        case Tag::Form:
            if (has(Tag::Template) || m_form != 0)
                return;
            insert(t);
            m_form = m_stack.back().id;
            pop();
            return;
        default: {
            const Fostering fostering(m_foster);
            bodyStart(t);
            return;
        }
        }
    case Mode::InCaption:
        switch (t.tag) {
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Tbody:
        case Tag::Td:
        case Tag::Tfoot:
        case Tag::Th:
        case Tag::Thead:
        case Tag::Tr:
            if (!inScope(Tag::Caption, Scope::Table))
                return;
            generateImpliedEndTags();
            popUntil(Tag::Caption);
            clearToMarker();
            m_mode = Mode::InTable;
            processStart(m_mode, t);
            return;
        default:
            bodyStart(t);
            return;
        }
    case Mode::InColumnGroup:
        switch (t.tag) {
        case Tag::Html:
            bodyStart(t);
            return;
        case Tag::Col:
            return;
        case Tag::Template:
            headStart(t);
            return;
        default:
            if (!topIs(Tag::Colgroup))
                return;
            pop();
            m_mode = Mode::InTable;
            processStart(m_mode, t);
            return;
        }
    case Mode::InTableBody:
        switch (t.tag) {
        case Tag::Tr:
            clearBackTo({Tag::Tbody, Tag::Tfoot, Tag::Thead, Tag::Template, Tag::Html});
            insert(t);
            m_mode = Mode::InRow;
            return;
        case Tag::Th:
        case Tag::Td:
            clearBackTo({Tag::Tbody, Tag::Tfoot, Tag::Thead, Tag::Template, Tag::Html});
            insert(Tag::Tr);
            m_mode = Mode::InRow;
            processStart(m_mode, t);
            return;
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
            if (!inScope(Tag::Tbody, Scope::Table) && !inScope(Tag::Thead, Scope::Table)
                && !inScope(Tag::Tfoot, Scope::Table))
                return;
            clearBackTo({Tag::Tbody, Tag::Tfoot, Tag::Thead, Tag::Template, Tag::Html});
            pop();
            m_mode = Mode::InTable;
            processStart(m_mode, t);
            return;
        default:
            processStart(Mode::InTable, t);
            return;
        }
    case Mode::InRow:
        switch (t.tag) {
        case Tag::Th:
        case Tag::Td:
            clearBackTo({Tag::Tr, Tag::Template, Tag::Html});
            insert(t);
            m_mode = Mode::InCell;
            pushMarker();
            return;
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
        case Tag::Tr:
            if (!inScope(Tag::Tr, Scope::Table))
                return;
            clearBackTo({Tag::Tr, Tag::Template, Tag::Html});
            pop();
            m_mode = Mode::InTableBody;
            processStart(m_mode, t);
            return;
        default:
            processStart(Mode::InTable, t);
            return;
        }
    case Mode::InCell:
        switch (t.tag) {
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Tbody:
        case Tag::Td:
        case Tag::Tfoot:
        case Tag::Th:
        case Tag::Thead:
        case Tag::Tr:
            if (!inScope(Tag::Td, Scope::Table) && !inScope(Tag::Th, Scope::Table))
                return;
            closeCell();
            processStart(m_mode, t);
            return;
        default:
            bodyStart(t);
            return;
        }
    case Mode::InSelect:
    case Mode::InSelectInTable:
        switch (t.tag) {
        case Tag::Caption:
        case Tag::Table:
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
        case Tag::Tr:
        case Tag::Td:
        case Tag::Th:
            if (mode == Mode::InSelect)
                return;
            popUntil(Tag::Select);
            resetMode();
            processStart(m_mode, t);
            return;
        case Tag::Html:
            bodyStart(t);
            return;
        case Tag::Option:
            if (topIs(Tag::Option))
                pop();
            insert(t);
            return;
        case Tag::Optgroup:
            if (topIs(Tag::Option))
                pop();
            if (topIs(Tag::Optgroup))
                pop();
            insert(t);
            return;
        case Tag::Select:
            if (!inScope(Tag::Select, Scope::Select))
                return;
            popUntil(Tag::Select);
            resetMode();
            return;
        case Tag::Input:
        case Tag::Keygen:
        case Tag::Textarea:
            if (!inScope(Tag::Select, Scope::Select))
                return;
            popUntil(Tag::Select);
            resetMode();
            processStart(m_mode, t);
            return;
        case Tag::Script:
        case Tag::Template:
            headStart(t);
            return;
        default:
            return;
        }
    case Mode::InTemplate:
        switch (t.tag) {
        case Tag::Base:
        case Tag::Basefont:
        case Tag::Bgsound:
        case Tag::Link:
        case Tag::Meta:
        case Tag::Noframes:
        case Tag::Script:
        case Tag::Style:
        case Tag::Template:
        case Tag::Title:
            headStart(t);
            return;
        default: {
            Mode next = Mode::InBody;
            if (t.tag == Tag::Caption || t.tag == Tag::Colgroup || t.tag == Tag::Tbody || t.tag == Tag::Tfoot
                || t.tag == Tag::Thead)
                next = Mode::InTable;
            else if (t.tag == Tag::Col)
                next = Mode::InColumnGroup;
            else if (t.tag == Tag::Tr)
                next = Mode::InTableBody;
            else if (t.tag == Tag::Td || t.tag == Tag::Th)
                next = Mode::InRow;
            if (!m_templateModes.empty())
                m_templateModes.back() = next;
            m_mode = next;
            processStart(m_mode, t);
            return;
        }
        }
    }
}

void ShownText::Parser::processEnd(Mode mode, const TagToken &t)
{
    switch (mode) {
    case Mode::Initial:
        m_mode = Mode::BeforeHtml;
        processEnd(m_mode, t);
        return;
    case Mode::BeforeHtml:
        if (t.tag != Tag::Head && t.tag != Tag::Body && t.tag != Tag::Html && t.tag != Tag::Br)
            return;
        insert(Tag::Html);
        m_mode = Mode::BeforeHead;
        processEnd(m_mode, t);
        return;
    case Mode::BeforeHead:
        if (t.tag != Tag::Head && t.tag != Tag::Body && t.tag != Tag::Html && t.tag != Tag::Br)
            return;
        insert(Tag::Head);
        m_mode = Mode::InHead;
        processEnd(m_mode, t);
        return;
    case Mode::InHead:
        if (t.tag == Tag::Head) {
            pop();
            m_mode = Mode::AfterHead;
        } else if (t.tag == Tag::Body || t.tag == Tag::Html || t.tag == Tag::Br) {
            pop();
            m_mode = Mode::AfterHead;
            processEnd(m_mode, t);
        } else if (t.tag == Tag::Template) {
            templateEnd();
        }
        return;
    case Mode::InHeadNoscript:
        if (t.tag == Tag::Noscript) {
            pop();
            m_mode = Mode::InHead;
        } else if (t.tag == Tag::Br) {
            pop();
            m_mode = Mode::InHead;
            processEnd(m_mode, t);
        }
        return;
    case Mode::AfterHead:
        if (t.tag == Tag::Template) {
            templateEnd();
        } else if (t.tag == Tag::Body || t.tag == Tag::Html || t.tag == Tag::Br) {
            insert(Tag::Body);
            m_mode = Mode::InBody;
            processEnd(m_mode, t);
        }
        return;
    case Mode::Text:
        pop();
        m_mode = m_original;
        return;
    case Mode::InBody:
        bodyEnd(t);
        return;
    case Mode::AfterBody:
        if (t.tag != Tag::Html) {
            m_mode = Mode::InBody;
            bodyEnd(t);
        }
        return;
    case Mode::InTable:
        switch (t.tag) {
        case Tag::Table:
            if (!inScope(Tag::Table, Scope::Table))
                return;
            popUntil(Tag::Table);
            resetMode();
            return;
        case Tag::Body:
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Html:
        case Tag::Tbody:
        case Tag::Td:
        case Tag::Tfoot:
        case Tag::Th:
        case Tag::Thead:
        case Tag::Tr:
            return;
        case Tag::Template:
            templateEnd();
            return;
        default: {
            const Fostering fostering(m_foster);
            bodyEnd(t);
            return;
        }
        }
    case Mode::InCaption:
        switch (t.tag) {
        case Tag::Caption:
        case Tag::Table:
            if (!inScope(Tag::Caption, Scope::Table))
                return;
            generateImpliedEndTags();
            popUntil(Tag::Caption);
            clearToMarker();
            m_mode = Mode::InTable;
            if (t.tag == Tag::Table)
                processEnd(m_mode, t);
            return;
        case Tag::Body:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Html:
        case Tag::Tbody:
        case Tag::Td:
        case Tag::Tfoot:
        case Tag::Th:
        case Tag::Thead:
        case Tag::Tr:
            return;
        default:
            bodyEnd(t);
            return;
        }
    case Mode::InColumnGroup:
        switch (t.tag) {
        case Tag::Colgroup:
            if (topIs(Tag::Colgroup)) {
                pop();
                m_mode = Mode::InTable;
            }
            return;
        case Tag::Col:
            return;
        case Tag::Template:
            templateEnd();
            return;
        default:
            if (!topIs(Tag::Colgroup))
                return;
            pop();
            m_mode = Mode::InTable;
            processEnd(m_mode, t);
            return;
        }
    case Mode::InTableBody:
        switch (t.tag) {
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
            if (!inScope(t.tag, Scope::Table))
                return;
            clearBackTo({Tag::Tbody, Tag::Tfoot, Tag::Thead, Tag::Template, Tag::Html});
            pop();
            m_mode = Mode::InTable;
            return;
        case Tag::Table:
            if (!inScope(Tag::Tbody, Scope::Table) && !inScope(Tag::Thead, Scope::Table)
                && !inScope(Tag::Tfoot, Scope::Table))
                return;
            clearBackTo({Tag::Tbody, Tag::Tfoot, Tag::Thead, Tag::Template, Tag::Html});
            pop();
            m_mode = Mode::InTable;
            processEnd(m_mode, t);
            return;
        case Tag::Body:
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Html:
        case Tag::Td:
        case Tag::Th:
        case Tag::Tr:
            return;
        default:
            processEnd(Mode::InTable, t);
            return;
        }
    case Mode::InRow:
        switch (t.tag) {
        case Tag::Tr:
        case Tag::Table:
            if (!inScope(Tag::Tr, Scope::Table))
                return;
            clearBackTo({Tag::Tr, Tag::Template, Tag::Html});
            pop();
            m_mode = Mode::InTableBody;
            if (t.tag == Tag::Table)
                processEnd(m_mode, t);
            return;
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
            if (!inScope(t.tag, Scope::Table) || !inScope(Tag::Tr, Scope::Table))
                return;
            clearBackTo({Tag::Tr, Tag::Template, Tag::Html});
            pop();
            m_mode = Mode::InTableBody;
            processEnd(m_mode, t);
            return;
        case Tag::Body:
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Html:
        case Tag::Td:
        case Tag::Th:
            return;
        default:
            processEnd(Mode::InTable, t);
            return;
        }
    case Mode::InCell:
        switch (t.tag) {
        case Tag::Td:
        case Tag::Th:
            if (!inScope(t.tag, Scope::Table))
                return;
            generateImpliedEndTags();
            popUntil(t.tag);
            clearToMarker();
            m_mode = Mode::InRow;
            return;
        case Tag::Body:
        case Tag::Caption:
        case Tag::Col:
        case Tag::Colgroup:
        case Tag::Html:
            return;
        case Tag::Table:
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
        case Tag::Tr:
            if (!inScope(t.tag, Scope::Table))
                return;
            closeCell();
            processEnd(m_mode, t);
            return;
        default:
            bodyEnd(t);
            return;
        }
    case Mode::InSelect:
    case Mode::InSelectInTable:
        switch (t.tag) {
        case Tag::Caption:
        case Tag::Table:
        case Tag::Tbody:
        case Tag::Tfoot:
        case Tag::Thead:
        case Tag::Tr:
        case Tag::Td:
        case Tag::Th:
            if (mode == Mode::InSelect || !inScope(t.tag, Scope::Table))
                return;
            popUntil(Tag::Select);
            resetMode();
            processEnd(m_mode, t);
            return;
        case Tag::Optgroup:
            if (topIs(Tag::Option) && m_stack.size() > 1 && m_stack[m_stack.size() - 2].ns == Ns::Html
                && m_stack[m_stack.size() - 2].tag == Tag::Optgroup)
                pop();
            if (topIs(Tag::Optgroup))
                pop();
            return;
        case Tag::Option:
            if (topIs(Tag::Option))
                pop();
            return;
        case Tag::Select:
            if (!inScope(Tag::Select, Scope::Select))
                return;
            popUntil(Tag::Select);
            resetMode();
            return;
        case Tag::Template:
            templateEnd();
            return;
        default:
            return;
        }
    case Mode::InTemplate:
        if (t.tag == Tag::Template)
            templateEnd();
        return;
    }
}

void ShownText::Parser::headStart(const TagToken &t)
{
    switch (t.tag) {
    case Tag::Title:
    case Tag::Noframes:
    case Tag::Style:
        rawText(t, State::RawText);
        return;
    case Tag::Script:
        rawText(t, State::ScriptData);
        return;
    case Tag::Template:
        insert(t);
        pushMarker();
        m_mode = Mode::InTemplate;
        m_templateModes.push_back(Mode::InTemplate);
        return;
    default:
        return; // void: base, basefont, bgsound, link, meta
    }
}

void ShownText::Parser::templateEnd()
{
    if (!has(Tag::Template))
        return;
    generateAllImpliedEndTags();
    popUntil(Tag::Template);
    clearToMarker();
    if (!m_templateModes.empty())
        m_templateModes.pop_back();
    resetMode();
}

void ShownText::Parser::rawText(const TagToken &t, State state)
{
    insert(t);
    m_rawName.clear();
    for (const char16_t unit : t.text.view())
        m_rawName.append(unit);
    m_state = state;
    m_original = m_mode;
    m_mode = Mode::Text;
}

void ShownText::Parser::bodyStart(const TagToken &t)
{
    switch (t.tag) {
    case Tag::Html:
    case Tag::Body:
        // Its attributes go to the page's own html or body: hidden, the whole
        // page shows nothing, what was read before too.
        m_hidesAll = m_hidesAll || (t.hiddenAttribute && !has(Tag::Template));
        return;
    case Tag::Frameset:
    case Tag::Caption:
    case Tag::Col:
    case Tag::Colgroup:
    case Tag::Frame:
    case Tag::Head:
    case Tag::Tbody:
    case Tag::Td:
    case Tag::Tfoot:
    case Tag::Th:
    case Tag::Thead:
    case Tag::Tr:
        return;
    case Tag::Base:
    case Tag::Basefont:
    case Tag::Bgsound:
    case Tag::Link:
    case Tag::Meta:
    case Tag::Noframes:
    case Tag::Script:
    case Tag::Style:
    case Tag::Template:
    case Tag::Title:
        headStart(t);
        return;
    case Tag::Address:
    case Tag::Article:
    case Tag::Aside:
    case Tag::Blockquote:
    case Tag::Center:
    case Tag::Details:
    case Tag::Dialog:
    case Tag::Dir:
    case Tag::Div:
    case Tag::Dl:
    case Tag::Fieldset:
    case Tag::Figcaption:
    case Tag::Figure:
    case Tag::Footer:
    case Tag::Header:
    case Tag::Hgroup:
    case Tag::Main:
    case Tag::Menu:
    case Tag::Nav:
    case Tag::Ol:
    case Tag::P:
    case Tag::Section:
    case Tag::Summary:
    case Tag::Ul:
        closePInButtonScope();
        insert(t);
        return;
    case Tag::H1:
    case Tag::H2:
    case Tag::H3:
    case Tag::H4:
    case Tag::H5:
    case Tag::H6:
        closePInButtonScope();
        if (!m_stack.empty() && m_stack.back().ns == Ns::Html && isHeading(m_stack.back().tag))
            pop();
        insert(t);
        return;
    case Tag::Pre:
    case Tag::Listing:
        closePInButtonScope();
        insert(t);
        m_skipNewline = true;
        return;
    case Tag::Form: {
        const bool inTemplate = has(Tag::Template);
        if (m_form != 0 && !inTemplate)
            return;
        closePInButtonScope();
        insert(t);
        if (!inTemplate && !m_stack.empty())
            m_form = m_stack.back().id;
        return;
    }
    case Tag::Li:
    case Tag::Dd:
    case Tag::Dt:
        for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
            const Element &node = m_stack[std::size_t(i)];
            const bool same =
                node.ns == Ns::Html
                && (t.tag == Tag::Li ? node.tag == Tag::Li : (node.tag == Tag::Dd || node.tag == Tag::Dt));
            if (same) {
                const Tag tag = node.tag;
                generateImpliedEndTags(tag);
                popUntil(tag);
                break;
            }
            if (isSpecial(node)
                && !(node.ns == Ns::Html && (node.tag == Tag::Address || node.tag == Tag::Div || node.tag == Tag::P)))
                break;
        }
        closePInButtonScope();
        insert(t);
        return;
    case Tag::Plaintext:
        closePInButtonScope();
        insert(t);
        m_state = State::PlainText;
        return;
    case Tag::Button:
        if (inScope(Tag::Button)) {
            generateImpliedEndTags();
            popUntil(Tag::Button);
        }
        reconstruct();
        insert(t);
        return;
    case Tag::A:
        for (qsizetype i = qsizetype(m_formatting.size()) - 1; i >= 0 && m_formatting[std::size_t(i)].element != 0;
             --i) {
            if (m_formatting[std::size_t(i)].tag != Tag::A)
                continue;
            const std::uint32_t id = m_formatting[std::size_t(i)].element;
            adoption(t);
            for (qsizetype k = qsizetype(m_formatting.size()) - 1; k >= 0; --k) {
                if (m_formatting[std::size_t(k)].element == id) {
                    m_formatting.erase(m_formatting.begin() + k);
                    break;
                }
            }
            if (const qsizetype at = indexOf(id); at >= 0)
                removeAt(at);
            break;
        }
        reconstruct();
        insert(t);
        pushFormatting(t);
        return;
    case Tag::B:
    case Tag::Big:
    case Tag::Code:
    case Tag::Em:
    case Tag::Font:
    case Tag::I:
    case Tag::S:
    case Tag::Small:
    case Tag::Strike:
    case Tag::Strong:
    case Tag::Tt:
    case Tag::U:
        reconstruct();
        insert(t);
        pushFormatting(t);
        return;
    case Tag::Nobr:
        reconstruct();
        if (inScope(Tag::Nobr)) {
            adoption(t);
            reconstruct();
        }
        insert(t);
        pushFormatting(t);
        return;
    case Tag::Applet:
    case Tag::Marquee:
    case Tag::Object:
        reconstruct();
        insert(t);
        pushMarker();
        return;
    case Tag::Table:
        // A page without a doctype is in quirks mode: a table does not close a p.
        insert(t);
        m_mode = Mode::InTable;
        return;
    case Tag::Area:
    case Tag::Br:
    case Tag::Embed:
    case Tag::Img:
    case Tag::Image:
    case Tag::Keygen:
    case Tag::Wbr:
    case Tag::Input:
        reconstruct();
        return;
    case Tag::Param:
    case Tag::Source:
    case Tag::Track:
        return;
    case Tag::Hr:
        closePInButtonScope();
        return;
    case Tag::Textarea:
        rawText(t, State::RawText);
        m_skipNewline = true;
        return;
    case Tag::Xmp:
        closePInButtonScope();
        reconstruct();
        rawText(t, State::RawText);
        return;
    case Tag::Iframe:
    case Tag::Noembed:
        rawText(t, State::RawText);
        return;
    case Tag::Select: {
        reconstruct();
        const Mode mode = m_mode;
        insert(t);
        m_mode = mode == Mode::InTable || mode == Mode::InCaption || mode == Mode::InTableBody || mode == Mode::InRow
                         || mode == Mode::InCell
                     ? Mode::InSelectInTable
                     : Mode::InSelect;
        return;
    }
    case Tag::Optgroup:
    case Tag::Option:
        if (topIs(Tag::Option))
            pop();
        reconstruct();
        insert(t);
        return;
    case Tag::Rb:
    case Tag::Rtc:
        if (inScope(Tag::Ruby))
            generateImpliedEndTags();
        insert(t);
        return;
    case Tag::Rp:
    case Tag::Rt:
        if (inScope(Tag::Ruby))
            generateImpliedEndTags(Tag::Rtc);
        insert(t);
        return;
    case Tag::Math:
    case Tag::Svg:
        reconstruct();
        insert(t, t.tag == Tag::Math ? Ns::Math : Ns::Svg);
        if (t.selfClosing)
            pop();
        return;
    default:
        reconstruct();
        insert(t);
        return;
    }
}

void ShownText::Parser::bodyEnd(const TagToken &t)
{
    switch (t.tag) {
    case Tag::Template:
        templateEnd();
        return;
    case Tag::Body:
    case Tag::Html:
        if (inScope(Tag::Body))
            m_mode = Mode::AfterBody;
        return;
    case Tag::Address:
    case Tag::Article:
    case Tag::Aside:
    case Tag::Blockquote:
    case Tag::Button:
    case Tag::Center:
    case Tag::Details:
    case Tag::Dialog:
    case Tag::Dir:
    case Tag::Div:
    case Tag::Dl:
    case Tag::Fieldset:
    case Tag::Figcaption:
    case Tag::Figure:
    case Tag::Footer:
    case Tag::Header:
    case Tag::Hgroup:
    case Tag::Listing:
    case Tag::Main:
    case Tag::Menu:
    case Tag::Nav:
    case Tag::Ol:
    case Tag::Pre:
    case Tag::Section:
    case Tag::Summary:
    case Tag::Ul:
        if (!inScope(t.tag))
            return;
        generateImpliedEndTags();
        popUntil(t.tag);
        return;
    case Tag::Form:
        if (!has(Tag::Template)) {
            const std::uint32_t node = std::exchange(m_form, 0);
            const qsizetype at = node != 0 ? indexOf(node) : -1;
            if (at < 0)
                return;
            for (qsizetype i = qsizetype(m_stack.size()) - 1; i > at; --i) {
                if (endsScope(m_stack[std::size_t(i)], Scope::Default))
                    return;
            }
            generateImpliedEndTags();
            removeAt(indexOf(node));
        } else if (inScope(Tag::Form)) {
            generateImpliedEndTags();
            popUntil(Tag::Form);
        }
        return;
    case Tag::P:
        if (inScope(Tag::P, Scope::Button))
            closeP();
        return;
    case Tag::Li:
        if (!inScope(Tag::Li, Scope::ListItem))
            return;
        generateImpliedEndTags(Tag::Li);
        popUntil(Tag::Li);
        return;
    case Tag::Dd:
    case Tag::Dt:
        if (!inScope(t.tag))
            return;
        generateImpliedEndTags(t.tag);
        popUntil(t.tag);
        return;
    case Tag::H1:
    case Tag::H2:
    case Tag::H3:
    case Tag::H4:
    case Tag::H5:
    case Tag::H6:
        if (!headingInScope())
            return;
        generateImpliedEndTags();
        popUntilHeading();
        return;
    case Tag::A:
    case Tag::B:
    case Tag::Big:
    case Tag::Code:
    case Tag::Em:
    case Tag::Font:
    case Tag::I:
    case Tag::Nobr:
    case Tag::S:
    case Tag::Small:
    case Tag::Strike:
    case Tag::Strong:
    case Tag::Tt:
    case Tag::U:
        adoption(t);
        return;
    case Tag::Applet:
    case Tag::Marquee:
    case Tag::Object:
        if (!inScope(t.tag))
            return;
        generateImpliedEndTags();
        popUntil(t.tag);
        clearToMarker();
        return;
    case Tag::Br:
        reconstruct();
        return;
    default:
        anyOtherEnd(t);
        return;
    }
}

void ShownText::Parser::anyOtherEnd(const TagToken &t)
{
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
        const Element &node = m_stack[std::size_t(i)];
        if (node.ns == Ns::Html && node.name == t.name) {
            while (!m_stack.empty() && m_stack.back().ns == Ns::Html && isImpliedEnd(m_stack.back().tag)
                   && m_stack.back().name != t.name)
                pop();
            while (qsizetype(m_stack.size()) > i)
                pop();
            return;
        }
        if (isSpecial(node))
            return;
    }
}

// The adoption agency: a formatting element closed out of order. Only the
// stack and the list change here; where the tree moves nodes is not followed.
void ShownText::Parser::adoption(const TagToken &t)
{
    if (!m_stack.empty() && m_stack.back().ns == Ns::Html && m_stack.back().name == t.name) {
        const std::uint32_t id = m_stack.back().id;
        const bool listed = std::any_of(m_formatting.begin(), m_formatting.end(),
                                        [id](const Formatting &f) { return f.element == id; });
        if (!listed) {
            pop();
            return;
        }
    }
    for (int outer = 0; outer < 8; ++outer) {
        qsizetype entry = -1;
        for (qsizetype i = qsizetype(m_formatting.size()) - 1; i >= 0 && m_formatting[std::size_t(i)].element != 0;
             --i) {
            if (m_formatting[std::size_t(i)].name == t.name) {
                entry = i;
                break;
            }
        }
        if (entry < 0) {
            anyOtherEnd(t);
            return;
        }
        const Formatting formatting = m_formatting[std::size_t(entry)];
        const qsizetype at = indexOf(formatting.element);
        if (at < 0) {
            m_formatting.erase(m_formatting.begin() + entry);
            return;
        }
        for (qsizetype i = qsizetype(m_stack.size()) - 1; i > at; --i) {
            if (endsScope(m_stack[std::size_t(i)], Scope::Default))
                return;
        }
        qsizetype furthest = -1;
        for (qsizetype i = at + 1; i < qsizetype(m_stack.size()); ++i) {
            if (isSpecial(m_stack[std::size_t(i)])) {
                furthest = i;
                break;
            }
        }
        if (furthest < 0) {
            while (qsizetype(m_stack.size()) > at)
                pop();
            m_formatting.erase(m_formatting.begin() + entry);
            return;
        }
        qsizetype bookmark = entry;
        qsizetype node = furthest;
        bool lastIsFurthest = true;
        for (int inner = 1;; ++inner) {
            --node;
            if (node == at)
                break;
            const std::uint32_t nodeId = m_stack[std::size_t(node)].id;
            qsizetype listed = -1;
            for (qsizetype i = 0; i < qsizetype(m_formatting.size()); ++i) {
                if (m_formatting[std::size_t(i)].element == nodeId) {
                    listed = i;
                    break;
                }
            }
            if (inner > 3 && listed >= 0) {
                m_formatting.erase(m_formatting.begin() + listed);
                if (listed < bookmark)
                    --bookmark;
                listed = -1;
            }
            if (listed < 0) {
                removeAt(node);
                --furthest;
                continue;
            }
            // A new element for the node, in the list and on the stack.
            Element replacement = m_stack[std::size_t(node)];
            replacement.id = m_nextId++;
            m_stack[std::size_t(node)] = replacement;
            m_formatting[std::size_t(listed)].element = replacement.id;
            m_formatting[std::size_t(listed)].open = true;
            if (lastIsFurthest)
                bookmark = listed + 1;
            lastIsFurthest = false;
        }
        // The formatting element's new one goes at the bookmark and right
        // after the furthest block.
        Formatting moved = formatting;
        const qsizetype formattingAt = [&] {
            for (qsizetype i = 0; i < qsizetype(m_formatting.size()); ++i) {
                if (m_formatting[std::size_t(i)].element == formatting.element)
                    return i;
            }
            return qsizetype(-1);
        }();
        Element element = m_stack[std::size_t(at)];
        element.id = m_nextId++;
        moved.element = element.id;
        moved.open = true;
        if (formattingAt >= 0) {
            m_formatting.erase(m_formatting.begin() + formattingAt);
            if (formattingAt < bookmark)
                --bookmark;
        }
        bookmark = std::clamp<qsizetype>(bookmark, 0, qsizetype(m_formatting.size()));
        m_formatting.insert(m_formatting.begin() + bookmark, moved);
        removeAt(at);
        --furthest;
        insertAt(furthest + 1, element);
    }
}

// The stack of open elements.

void ShownText::Parser::push(Element e)
{
    if (qsizetype(m_stack.size()) >= MaxDepth)
        return;
    e.id = m_nextId++;
    e.hidden = insertionHidden() + e.hides;
    m_stack.push_back(e);
}

// The hidden count of where a node goes now: the current node, or, for one
// taken out of a table, the table's parent.
std::int32_t ShownText::Parser::insertionHidden() const
{
    if (m_stack.empty())
        return 0;
    const Element &top = m_stack.back();
    const bool tableish = top.ns == Ns::Html
                          && (top.tag == Tag::Table || top.tag == Tag::Tbody || top.tag == Tag::Tfoot
                              || top.tag == Tag::Thead || top.tag == Tag::Tr);
    if (!m_foster || !tableish)
        return top.hidden;
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i > 0; --i) {
        const Element &e = m_stack[std::size_t(i)];
        if (e.ns == Ns::Html && e.tag == Tag::Template)
            return e.hidden;
        if (e.ns == Ns::Html && e.tag == Tag::Table)
            return m_stack[std::size_t(i - 1)].hidden;
    }
    return m_stack.front().hidden;
}

void ShownText::Parser::insert(const TagToken &t, Ns ns)
{
    Element e;
    e.name = t.name;
    e.tag = t.tag;
    e.ns = ns;
    e.integration = (ns == Ns::Math && t.tag == Tag::AnnotationXml && t.htmlEncoding)
                    || (ns == Ns::Svg && (t.tag == Tag::ForeignObject || t.tag == Tag::Desc || t.tag == Tag::Title));
    // What the page cannot mark, or does not render: foreign content, the
    // elements whose content is never shown, a hidden element, a closed
    // dialog or details.
    const bool html = ns == Ns::Html;
    e.closedDetails = html && t.tag == Tag::Details && !t.openAttribute;
    if (!html || is(t.tag, HidesContent) || t.hiddenAttribute || (t.tag == Tag::Dialog && !t.openAttribute)
        || e.closedDetails)
        e.hides = 1;
    if (html && t.tag == Tag::Summary && !m_stack.empty() && m_stack.back().closedDetails
        && !std::exchange(m_stack.back().summarySeen, true))
        --e.hides;
    push(e);
}

void ShownText::Parser::insert(Tag tag)
{
    Element e;
    e.name = nameOf(tag);
    e.tag = tag;
    push(e);
}

void ShownText::Parser::pop()
{
    if (m_stack.empty())
        return;
    if (isFormattingTag(m_stack.back().tag))
        closeFormatting(m_stack.back().id);
    m_stack.pop_back();
}

void ShownText::Parser::removeAt(qsizetype index)
{
    if (isFormattingTag(m_stack[std::size_t(index)].tag))
        closeFormatting(m_stack[std::size_t(index)].id);
    m_stack.erase(m_stack.begin() + index);
    recountHidden(index);
}

void ShownText::Parser::insertAt(qsizetype index, Element e)
{
    m_stack.insert(m_stack.begin() + index, e);
    recountHidden(index);
}

void ShownText::Parser::recountHidden(qsizetype from)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < qsizetype(m_stack.size()); ++i) {
        Element &e = m_stack[std::size_t(i)];
        e.hidden = (i == 0 ? 0 : m_stack[std::size_t(i - 1)].hidden) + e.hides;
    }
}

bool ShownText::Parser::has(Tag tag) const
{
    return std::any_of(m_stack.begin(), m_stack.end(),
                       [tag](const Element &e) { return e.ns == Ns::Html && e.tag == tag; });
}

bool ShownText::Parser::inScope(Tag tag, Scope scope) const
{
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
        const Element &e = m_stack[std::size_t(i)];
        if (e.ns == Ns::Html && e.tag == tag)
            return true;
        if (endsScope(e, scope))
            return false;
    }
    return false;
}

bool ShownText::Parser::headingInScope() const
{
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
        const Element &e = m_stack[std::size_t(i)];
        if (e.ns == Ns::Html && isHeading(e.tag))
            return true;
        if (endsScope(e, Scope::Default))
            return false;
    }
    return false;
}

qsizetype ShownText::Parser::indexOf(std::uint32_t id) const
{
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
        if (m_stack[std::size_t(i)].id == id)
            return i;
    }
    return -1;
}

void ShownText::Parser::popUntil(Tag tag)
{
    while (!m_stack.empty()) {
        const bool found = m_stack.back().ns == Ns::Html && m_stack.back().tag == tag;
        pop();
        if (found)
            return;
    }
}

void ShownText::Parser::popUntilHeading()
{
    while (!m_stack.empty()) {
        const bool found = m_stack.back().ns == Ns::Html && isHeading(m_stack.back().tag);
        pop();
        if (found)
            return;
    }
}

void ShownText::Parser::popUntilCell()
{
    while (!m_stack.empty()) {
        const bool found =
            m_stack.back().ns == Ns::Html && (m_stack.back().tag == Tag::Td || m_stack.back().tag == Tag::Th);
        pop();
        if (found)
            return;
    }
}

void ShownText::Parser::generateImpliedEndTags(Tag except)
{
    while (!m_stack.empty() && m_stack.back().ns == Ns::Html && isImpliedEnd(m_stack.back().tag)
           && m_stack.back().tag != except)
        pop();
}

void ShownText::Parser::generateAllImpliedEndTags()
{
    while (!m_stack.empty() && m_stack.back().ns == Ns::Html && isImpliedEndThoroughly(m_stack.back().tag))
        pop();
}

void ShownText::Parser::closeP()
{
    generateImpliedEndTags(Tag::P);
    popUntil(Tag::P);
}

void ShownText::Parser::closePInButtonScope()
{
    if (inScope(Tag::P, Scope::Button))
        closeP();
}

void ShownText::Parser::clearBackTo(std::initializer_list<Tag> context)
{
    while (!m_stack.empty()
           && !(m_stack.back().ns == Ns::Html
                && std::find(context.begin(), context.end(), m_stack.back().tag) != context.end()))
        pop();
}

void ShownText::Parser::closeCell()
{
    generateImpliedEndTags();
    popUntilCell();
    clearToMarker();
    m_mode = Mode::InRow;
}

void ShownText::Parser::resetMode()
{
    for (qsizetype i = qsizetype(m_stack.size()) - 1; i >= 0; --i) {
        const Element &node = m_stack[std::size_t(i)];
        const bool last = i == 0;
        if (node.ns != Ns::Html)
            continue;
        switch (node.tag) {
        case Tag::Select:
            if (!last) {
                for (qsizetype k = i - 1; k > 0; --k) {
                    const Element &ancestor = m_stack[std::size_t(k)];
                    if (ancestor.ns == Ns::Html && ancestor.tag == Tag::Template)
                        break;
                    if (ancestor.ns == Ns::Html && ancestor.tag == Tag::Table) {
                        m_mode = Mode::InSelectInTable;
                        return;
                    }
                }
            }
            m_mode = Mode::InSelect;
            return;
        case Tag::Td:
        case Tag::Th:
            if (last)
                break;
            m_mode = Mode::InCell;
            return;
        case Tag::Tr:
            m_mode = Mode::InRow;
            return;
        case Tag::Tbody:
        case Tag::Thead:
        case Tag::Tfoot:
            m_mode = Mode::InTableBody;
            return;
        case Tag::Caption:
            m_mode = Mode::InCaption;
            return;
        case Tag::Colgroup:
            m_mode = Mode::InColumnGroup;
            return;
        case Tag::Table:
            m_mode = Mode::InTable;
            return;
        case Tag::Template:
            m_mode = m_templateModes.empty() ? Mode::InTemplate : m_templateModes.back();
            return;
        case Tag::Head:
            if (last)
                break;
            m_mode = Mode::InHead;
            return;
        case Tag::Body:
            m_mode = Mode::InBody;
            return;
        case Tag::Html:
            m_mode = Mode::AfterHead;
            return;
        default:
            break;
        }
    }
    m_mode = Mode::InBody;
}

// The list of active formatting elements.

void ShownText::Parser::pushFormatting(const TagToken &t)
{
    if (m_stack.empty() || m_stack.back().name != t.name)
        return; // not kept: deeper than followed
    // Three of the same (name and attributes) since the last marker at most.
    qsizetype same = 0;
    qsizetype earliest = -1;
    for (qsizetype i = qsizetype(m_formatting.size()) - 1; i >= 0 && m_formatting[std::size_t(i)].element != 0; --i) {
        const Formatting &f = m_formatting[std::size_t(i)];
        if (f.name == t.name && f.attributes == t.attributes) {
            ++same;
            earliest = i;
        }
    }
    if (same >= 3)
        m_formatting.erase(m_formatting.begin() + earliest);
    if (qsizetype(m_formatting.size()) >= MaxDepth)
        m_formatting.erase(m_formatting.begin());
    m_formatting.push_back(Formatting{m_stack.back().id, true, t.name, t.tag, t.attributes, m_stack.back().hides});
}

void ShownText::Parser::pushMarker()
{
    if (qsizetype(m_formatting.size()) >= MaxDepth)
        m_formatting.erase(m_formatting.begin());
    m_formatting.push_back(Formatting{});
}

void ShownText::Parser::clearToMarker()
{
    while (!m_formatting.empty()) {
        const bool marker = m_formatting.back().element == 0;
        m_formatting.pop_back();
        if (marker)
            return;
    }
}

void ShownText::Parser::closeFormatting(std::uint32_t id)
{
    for (qsizetype i = qsizetype(m_formatting.size()) - 1; i >= 0; --i) {
        if (m_formatting[std::size_t(i)].element == id) {
            m_formatting[std::size_t(i)].open = false;
            return;
        }
    }
}

void ShownText::Parser::reconstruct()
{
    if (m_formatting.empty() || m_formatting.back().element == 0 || m_formatting.back().open)
        return;
    qsizetype entry = qsizetype(m_formatting.size()) - 1;
    while (entry > 0) {
        const Formatting &before = m_formatting[std::size_t(entry - 1)];
        if (before.element == 0 || before.open)
            break;
        --entry;
    }
    for (; entry < qsizetype(m_formatting.size()); ++entry) {
        Formatting &f = m_formatting[std::size_t(entry)];
        if (qsizetype(m_stack.size()) >= MaxDepth)
            return;
        Element e;
        e.name = f.name;
        e.tag = f.tag;
        e.hides = f.hides;
        push(e);
        f.element = m_stack.back().id;
        f.open = true;
    }
}

ShownText::ShownText() : m_parser(std::make_unique<Parser>())
{
}

ShownText::~ShownText() = default;

void ShownText::feed(QStringView markup, QString &out)
{
    m_parser->feed(markup, out);
}

void ShownText::finish(QString &out)
{
    m_parser->finish(out);
}

bool ShownText::hidesAll() const
{
    return m_parser->hidesAll();
}

QString ShownText::of(QStringView page)
{
    ShownText shown;
    QString out;
    shown.feed(page, out);
    shown.finish(out);
    return shown.hidesAll() ? QString() : out;
}
