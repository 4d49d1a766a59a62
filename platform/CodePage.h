#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

namespace platform {

// The single-byte code pages Russian file names come in from Windows:
// windows-1251 (what Windows programs write) and cp866 (what Windows' own
// compressed folders store in a zip). unzip turns the cp866 names of a zip
// made on Windows (or DOS) into Latin-1 as if they were in DOS code page 850,
// losing Ш; Cp866Unzipped reads them back.
enum class CodePage { Windows1251, Cp866, Cp866Unzipped };

namespace codepage {

[[nodiscard]] QString decode(QByteArrayView bytes, CodePage page);
// Characters without a code become "?".
[[nodiscard]] QByteArray encode(QStringView text, CodePage page);
// As people call it: "windows-1251", "cp866".
[[nodiscard]] QString name(CodePage page);

// bytes decoded as UTF-8 as far as they are UTF-8, a U+FEFF kept wherever it
// stands; complete tells whether that is all of them. Overlong forms (C0 80),
// surrogates and codes beyond U+10FFFF are not UTF-8.
[[nodiscard]] QString decodeUtf8(QByteArrayView bytes, bool &complete);
[[nodiscard]] bool isUtf8(QByteArrayView bytes);

// How many bytes of a name read as Russian text under page: letters of the
// Russian alphabet and the punctuation of Russian titles (« » — – … № and
// quotes). ASCII reads alike in every code page and is not counted.
[[nodiscard]] qsizetype russianScore(QByteArrayView bytes, CodePage page);

// The code page under which the names that are not UTF-8 read best as
// Russian, all of them together; windows-1251 when neither reads better.
[[nodiscard]] CodePage ofNames(const QList<QByteArray> &names);

} // namespace codepage

} // namespace platform
