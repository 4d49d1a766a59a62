#include "platform/CodePage.h"

#include "platform/Cp866.h"
#include "platform/Windows1251.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace platform::codepage {

namespace {

bool readsAsRussian(char16_t c)
{
    static constexpr std::array<char16_t, 12> Punctuation = {u'«', u'»', u'—', u'–', u'…', u'№',
                                                             u'„', u'“', u'”', u'‚', u'‘', u'’'};
    return (c >= u'А' && c <= u'я') || c == u'Ё' || c == u'ё'
           || std::find(Punctuation.begin(), Punctuation.end(), c) != Punctuation.end();
}

const std::array<char16_t, 256> &tableOf(CodePage page)
{
    return page == CodePage::Cp866 ? cp866::table() : windows1251::table();
}

} // namespace

QString decode(QByteArrayView bytes, CodePage page)
{
    return page == CodePage::Cp866 ? cp866::decode(bytes) : windows1251::decode(bytes);
}

QByteArray encode(QStringView text, CodePage page)
{
    return page == CodePage::Cp866 ? cp866::encode(text) : windows1251::encode(text);
}

QString name(CodePage page)
{
    return page == CodePage::Cp866 ? u"cp866"_s : u"windows-1251"_s;
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding is lazy: it runs when the result is taken.
    const QString text = utf8(bytes);
    return !utf8.hasError();
}

qsizetype russianScore(QByteArrayView bytes, CodePage page)
{
    const std::array<char16_t, 256> &table = tableOf(page);
    return std::count_if(bytes.begin(), bytes.end(), [&table](char b) {
        const auto byte = static_cast<unsigned char>(b);
        return byte >= 0x80 && readsAsRussian(table[byte]);
    });
}

CodePage ofNames(const QList<QByteArray> &names)
{
    qsizetype windows1251 = 0;
    qsizetype cp866 = 0;
    for (const QByteArray &name : names) {
        if (isUtf8(name))
            continue;
        windows1251 += russianScore(name, CodePage::Windows1251);
        cp866 += russianScore(name, CodePage::Cp866);
    }
    return cp866 > windows1251 ? CodePage::Cp866 : CodePage::Windows1251;
}

} // namespace platform::codepage
