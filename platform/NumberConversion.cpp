#include "platform/NumberConversion.h"

#include <charconv>
#include <cmath>
#include <string>

namespace platform {

namespace {

bool isIgnored(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double leadingNumber(QStringView text)
{
    // Collect the significant characters, then take the longest prefix that
    // forms a number: [sign] digits [. digits] [E|D [sign] digits].
    std::u16string s;
    s.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        if (!isIgnored(c.unicode()))
            s.push_back(c.unicode());
    }

    std::string number;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            number.push_back('-');
        ++i;
    }
    // A leading zero lets ".5" parse, and changes no other number.
    number.push_back('0');
    bool anyDigit = false;
    for (; i < s.size() && isDigit(s[i]); ++i, anyDigit = true)
        number.push_back(static_cast<char>(s[i]));
    if (i < s.size() && s[i] == u'.') {
        number.push_back('.');
        for (++i; i < s.size() && isDigit(s[i]); ++i, anyDigit = true)
            number.push_back(static_cast<char>(s[i]));
    }
    if (!anyDigit)
        return 0.0;
    if (i < s.size() && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exponent.push_back(static_cast<char>(s[j++]));
        const std::size_t firstDigit = j;
        for (; j < s.size() && isDigit(s[j]); ++j)
            exponent.push_back(static_cast<char>(s[j]));
        if (j > firstDigit)
            number += exponent;
    }

    double result = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), result);
    if (ec == std::errc::result_out_of_range)
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    return result;
}

std::optional<std::int32_t> toInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint in the default rounding mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

} // namespace platform
