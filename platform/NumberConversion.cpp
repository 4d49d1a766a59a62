#include "platform/NumberConversion.h"

#include <algorithm>
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

constexpr std::int64_t ExponentLimit = std::int64_t(1) << 50;

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
    // The place of the first non-zero digit: the mantissa lies in
    // [10^(place-1), 10^place), so "12.5" has place 2 and "0.05" place -1.
    std::int64_t place = 0;
    bool nonZero = false;
    for (; i < s.size() && isDigit(s[i]); ++i, anyDigit = true) {
        nonZero = nonZero || s[i] != u'0';
        if (nonZero)
            ++place;
        number.push_back(static_cast<char>(s[i]));
    }
    if (i < s.size() && s[i] == u'.') {
        number.push_back('.');
        for (++i; i < s.size() && isDigit(s[i]); ++i, anyDigit = true) {
            if (!nonZero && s[i] == u'0')
                --place;
            nonZero = nonZero || s[i] != u'0';
            number.push_back(static_cast<char>(s[i]));
        }
    }
    if (!anyDigit)
        return 0.0;
    std::int64_t exponentValue = 0;
    if (i < s.size() && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) {
            negativeExponent = s[j] == u'-';
            exponent.push_back(static_cast<char>(s[j++]));
        }
        const std::size_t firstDigit = j;
        for (; j < s.size() && isDigit(s[j]); ++j) {
            // Saturated far beyond any place a text can reach.
            exponentValue = std::min<std::int64_t>(exponentValue * 10 + (s[j] - u'0'), ExponentLimit);
            exponent.push_back(static_cast<char>(s[j]));
        }
        if (j > firstDigit)
            number += exponent;
        if (negativeExponent)
            exponentValue = -exponentValue;
    }

    double result = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), result);
    if (ec == std::errc::result_out_of_range) {
        // Beyond the doubles: a value of at least 1 overflows to infinity,
        // a smaller one underflows to zero, each with its sign.
        const double limit = place + exponentValue > 0 ? HUGE_VAL : 0.0;
        return number.front() == '-' ? -limit : limit;
    }
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
