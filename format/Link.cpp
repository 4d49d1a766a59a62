#include "format/Link.h"

#include "platform/NumberConversion.h"

Link parseLink(const QString &address)
{
    constexpr qsizetype KindAt = 11;
    if (address.size() <= KindAt)
        return {};
    switch (address[KindAt].unicode()) {
    case u'b':
        return {Link::Kind::Biography, 0};
    case u's':
        return {Link::Kind::Catalogue, 0};
    case u't': {
        // The number stands between the kind letter and the final character.
        const qsizetype count = address.size() - (KindAt + 2);
        if (count < 0)
            return {};
        const auto index = platform::toInt32(platform::leadingNumber(QStringView(address).mid(KindAt + 1, count)));
        if (!index)
            return {};
        return {Link::Kind::Work, *index};
    }
    default:
        return {};
    }
}
