#pragma once

#include <QString>
#include <QStringView>

#include <memory>

// Russian words broken as the hyphen-ru patterns allow, with soft hyphens.
class Hyphenator
{
public:
    // Words shorter than this are left whole.
    static constexpr qsizetype MinWord = 5;
    // The letters kept on each side of a break.
    static constexpr qsizetype MinPart = 2;

    // Loads the patterns once; isValid() is false when they cannot be read
    // (missing, or in an encoding other than KOI8-R or UTF-8).
    explicit Hyphenator(const QString &patterns = defaultPatterns());
    ~Hyphenator();
    Hyphenator(const Hyphenator &) = delete;
    Hyphenator &operator=(const Hyphenator &) = delete;

    // Debian's hyphen-ru.
    [[nodiscard]] static QString defaultPatterns();
    [[nodiscard]] bool isValid() const { return m_patterns != nullptr; }

    // text with U+00AD put at the allowed breaks of each Russian word; a word
    // is a run of letters, digits and marks (a hyphen-minus splits words),
    // and one that holds anything but Russian letters is left whole, as is
    // everything else. Thread-safe.
    [[nodiscard]] QString hyphenated(QStringView text) const;

private:
    struct Patterns;
    // Appends word, of Russian letters alone, with its breaks.
    void appendWord(QString &out, QStringView word) const;

    std::unique_ptr<Patterns> m_patterns;
};
