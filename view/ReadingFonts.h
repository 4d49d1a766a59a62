#pragma once

#include <QStringList>

// The fonts offered in «Шрифт»: PT Serif, PT Sans, Liberation Serif and the
// desktop's serif, those installed that cover Cyrillic, each once, in that
// order. Needs a QGuiApplication.
[[nodiscard]] QStringList readingFonts();
