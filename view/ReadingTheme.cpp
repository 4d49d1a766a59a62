#include "view/ReadingTheme.h"

#include <QtMath>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// The relative luminance of an sRGB colour.
double luminance(const QColor &colour)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : qPow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) + 0.0722 * linear(colour.blue());
}

} // namespace

ThemeColours themeColours(Theme theme)
{
    // The marks take what room the thresholds leave: on paper darker than
    // white (and over text it lightens, in Night) a mark 3:1 against the paper
    // with text 4.5:1 over it has little lightness to spare, so there the
    // current one differs from the others by its hue (blue beside amber) more
    // than by its lightness.
    switch (theme) {
    case Theme::Sepia:
        return {QColor(0xf4ecd8), QColor(0x2e2013), QColor(0x1a4f8b), QColor(0xa0301c),
                QColor(0xb48a0f), QColor(0x128af0), QColor(0x5b3413), u"multiply"_s};
    case Theme::Night:
        // Darker than the usual #1e1e1e: over it no mark could stand out 3:1
        // and keep light text 4.5:1 over it.
        return {QColor(0x121212), QColor(0xe0e0e0), QColor(0x8ab4f8), QColor(0xf28b82),
                QColor(0x81570c), QColor(0x0f57a2), QColor(0xa8c7fa), u"screen"_s};
    case Theme::Day:
        break;
    }
    // The pages' own colours (their red under the pointer is the original's,
    // 4:1 on white); the marks and the focus ring are the reader's.
    return {Qt::white,        Qt::black,        QColor(0x0000ff), QColor(0xff0000),
            QColor(0xc7880a), QColor(0xd24320), QColor(0x00008b), u"multiply"_s};
}

QString themeName(Theme theme)
{
    switch (theme) {
    case Theme::Sepia:
        return u"Сепия"_s;
    case Theme::Night:
        return u"Ночь"_s;
    case Theme::Day:
        break;
    }
    return u"День"_s;
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor blended(const QColor &mark, const QColor &under, const QString &blend)
{
    const bool multiply = blend == u"multiply";
    if (!multiply && blend != u"screen")
        return mark;
    const auto channel = [multiply](int m, int u) {
        return multiply ? qRound(m * u / 255.0) : qRound(255 - (255 - m) * (255 - u) / 255.0);
    };
    return {channel(mark.red(), under.red()), channel(mark.green(), under.green()), channel(mark.blue(), under.blue())};
}
