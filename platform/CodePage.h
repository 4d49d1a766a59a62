#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

namespace platform {

// The single-byte code pages Russian file names come in: from Windows,
// windows-1251 (what Windows programs write) and cp866 (what Windows' own
// compressed folders store in a zip); KOI8-R from older Unix systems. unzip
// turns the cp866 names of a zip made on Windows (or DOS) into Latin-1 as if
// they were in DOS code page 850, losing Ш; Cp866Unzipped reads them back.
// (The windows-1251 names of other zips it leaves as they are, but for every
// «я», byte 0xFF, which it drops.)
enum class CodePage { Windows1251, Cp866, Cp866Unzipped, Koi8r };

namespace codepage {

[[nodiscard]] QString decode(QByteArrayView bytes, CodePage page);
// Characters without a code become "?".
[[nodiscard]] QByteArray encode(QStringView text, CodePage page);
// As people call it: "windows-1251", "cp866", "KOI8-R".
[[nodiscard]] QString name(CodePage page);

// bytes decoded as UTF-8 as far as they are UTF-8, a U+FEFF kept wherever it
// stands; complete tells whether that is all of them. Overlong forms (C0 80),
// surrogates and codes beyond U+10FFFF are not UTF-8.
[[nodiscard]] QString decodeUtf8(QByteArrayView bytes, bool &complete);
[[nodiscard]] bool isUtf8(QByteArrayView bytes);

// Whether a name's bytes are its UTF-8 text: they are UTF-8, and not by
// accident the name of a Russian title in a code page. unzip's conversion
// makes UTF-8 of about one short title in 400 ("Зоя" becomes "竴"): a name
// whose UTF-8 text holds no Russian letter but letters of another script (or
// marks, codes for private use or none), while in one of the code pages all
// it holds beyond ASCII is Russian letters that read better as Russian (see
// russian::unlikelihood), is taken for that. Signs, digits and symbols never
// make one: "№ 1" stays UTF-8, though its bytes are "тДЦ 1" in cp866.
[[nodiscard]] bool isUtf8Name(QByteArrayView bytes);

// The code page under which the names that are not UTF-8 (isUtf8Name) read
// best as Russian titles, all of them together (by their letter pairs and
// letter case: see russian::unlikelihood). The rarer arrivals, cp866 as unzip
// converted it and KOI8-R, must read better by a little; where two read
// equally well the commoner wins: windows-1251, cp866, cp866 as unzip
// converted it, KOI8-R. Windows-1251 when no name needs a code page.
[[nodiscard]] CodePage ofNames(const QList<QByteArray> &names);

} // namespace codepage

} // namespace platform
