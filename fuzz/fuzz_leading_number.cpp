// platform::leadingNumber against strtod over the whole double range. The
// reference keeps the same significant characters (blanks, tabs and line
// feeds dropped), takes the longest prefix of the form
// [sign] digits [. digits] [E|D [sign] digits] with at least one mantissa
// digit, and hands it to strtod; the two results must agree bit for bit,
// subnormals, infinities and the sign of zero included.
#include "fuzz/FuzzInput.h"
#include "platform/NumberConversion.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string shown(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The number at the start of the significant characters as C text for
// strtod, or "" when there is none.
std::string referenceNumber(const std::u16string &s)
{
    std::string out;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        out.push_back(static_cast<char>(s[i++]));
    std::size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++digits)
        out.push_back(static_cast<char>(s[i]));
    if (i < s.size() && s[i] == u'.') {
        out.push_back('.');
        for (++i; i < s.size() && isDigit(s[i]); ++i, ++digits)
            out.push_back(static_cast<char>(s[i]));
    }
    if (digits == 0)
        return {};
    if (i < s.size() && std::u16string_view(u"EeDd").find(s[i]) != std::u16string_view::npos) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exponent.push_back(static_cast<char>(s[j++]));
        if (j < s.size() && isDigit(s[j])) {
            for (; j < s.size() && isDigit(s[j]); ++j)
                exponent.push_back(static_cast<char>(s[j]));
            out += exponent;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = fuzz::textFrom(data, size);
    std::u16string significant;
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            significant.push_back(c.unicode());
    }
    const std::string number = referenceNumber(significant);
    // The fuzz target never sets a locale: strtod reads the C one.
    const double expected = number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
    const double actual = platform::leadingNumber(text);
    if (std::bit_cast<std::uint64_t>(actual) != std::bit_cast<std::uint64_t>(expected)) {
        fuzz::fail("leadingNumber agrees with strtod",
                   number + ": " + shown(actual) + " instead of " + shown(expected));
    }
    return 0;
}
