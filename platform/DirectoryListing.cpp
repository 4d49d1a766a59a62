#include "platform/DirectoryListing.h"

#include "platform/FileErrors.h"
#include "platform/RuntimeError.h"

#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <dirent.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

bool pathListsBefore(const NativePath &a, const NativePath &b)
{
    if (a.text() != b.text())
        return listsBefore(a.text(), b.text());
    // Names shown alike (one in UTF-8, one in a code page): by their bytes.
    return a.native() < b.native();
}

void sortListing(FileListing &listing)
{
    std::sort(listing.files.begin(), listing.files.end(), pathListsBefore);
    std::sort(listing.unusable.begin(), listing.unusable.end(),
              [](const UnusableEntry &a, const UnusableEntry &b) { return pathListsBefore(a.name, b.name); });
}

#ifndef Q_OS_WIN
// Equal as Windows compares names: character by character, each after the
// simple upper-case mapping.
bool sameIgnoringCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].toUpper() != b[i].toUpper())
            return false;
    }
    return true;
}

// The code pages findFile spells a name in after UTF-8, in its order; the
// last spelling, windows-1251 without «я», comes after them.
constexpr std::array<CodePage, 4> SpellingPages = {CodePage::Windows1251, CodePage::Cp866, CodePage::Cp866Unzipped,
                                                   CodePage::Koi8r};
constexpr int Utf8Spelling = 0;
constexpr int WithoutYaSpelling = int(SpellingPages.size()) + 1;

CodePage pageOf(int spelling)
{
    return spelling > Utf8Spelling && spelling < WithoutYaSpelling ? SpellingPages[spelling - 1]
                                                                   : CodePage::Windows1251;
}

// The spelling (as findFile counts them) under which entry is name, letter
// case aside; -1 when it is not. withoutYa is name without its «я».
int spellingOf(const QByteArray &entry, const QString &name, const QString &withoutYa)
{
    if (codepage::isUtf8Name(entry)) {
        const QString text = QString::fromUtf8(entry).normalized(QString::NormalizationForm_C);
        return sameIgnoringCase(text, name) ? Utf8Spelling : -1;
    }
    for (std::size_t i = 0; i < SpellingPages.size(); ++i) {
        if (sameIgnoringCase(codepage::decode(entry, SpellingPages[i]), name))
            return int(i) + 1;
    }
    if (withoutYa != name && sameIgnoringCase(codepage::decode(entry, CodePage::Windows1251), withoutYa))
        return WithoutYaSpelling;
    return -1;
}

// Every name in folder; none when it cannot be read.
QList<QByteArray> namesIn(const NativePath &folder)
{
    QList<QByteArray> names;
    DIR *dir = ::opendir(folder.native().constData());
    if (dir == nullptr)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    return names;
}
#endif

} // namespace

bool listsBefore(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ua = a[i].toUpper().unicode();
        const char16_t ub = b[i].toUpper().unicode();
        if (ua != ub)
            return ua < ub;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    // Names equal but for letter case (possible on case-sensitive file
    // systems): fall back to the exact codes, so the order stays fixed.
    return a < b;
}

NativePath findFile(const NativePath &folder, const QString &name, FileKind kind)
{
    NativePath utf8 = folder + NativePath(name);
    // Windows' own file systems find any letter case themselves.
#ifndef Q_OS_WIN
    if (fileKind(utf8) == kind)
        return utf8;
    const QString composed = name.normalized(QString::NormalizationForm_C);
    QString withoutYa = composed;
    withoutYa.remove(u'я');
    // The name as written, in each spelling.
    for (int spelling = Utf8Spelling + 1; spelling <= WithoutYaSpelling; ++spelling) {
        const QString &spelled = spelling == WithoutYaSpelling ? withoutYa : composed;
        if (spelling == WithoutYaSpelling && withoutYa == composed)
            break;
        NativePath path =
            folder + NativePath::fromNative(codepage::encode(spelled, pageOf(spelling)), pageOf(spelling));
        if (fileKind(path) == kind)
            return path;
    }
    // Any other letter case, or a decomposed name: the folder is read.
    std::optional<std::pair<int, QByteArray>> best;
    for (QByteArray &entry : namesIn(folder)) {
        std::pair<int, QByteArray> candidate{spellingOf(entry, composed, withoutYa), std::move(entry)};
        if (candidate.first < 0 || (best && !(candidate < *best)))
            continue;
        if (fileKind(folder + NativePath::fromNative(candidate.second, pageOf(candidate.first))) == kind)
            best = std::move(candidate);
    }
    if (best)
        return folder + NativePath::fromNative(best->second, pageOf(best->first));
#else
    Q_UNUSED(kind);
#endif
    return utf8;
}

FileListing listFiles(const NativePath &folder, QStringView suffix)
{
    FileListing listing;
    if (folder.isEmpty())
        return listing;
#ifdef Q_OS_WIN
    QString pattern = folder.native();
    if (!pattern.endsWith(u'\\') && !pattern.endsWith(u'/'))
        pattern += u'\\';
    pattern += u'*';
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(reinterpret_cast<LPCWSTR>(pattern.utf16()), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // As on POSIX, a folder that is not there lists nothing, and neither
        // does a file: a search in a file is refused as no folder or (by
        // Wine) as an invalid name, as is any name no folder can have.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY
            || error == ERROR_INVALID_NAME)
            return listing;
        throw RuntimeError(error == ERROR_ACCESS_DENIED ? ErrorNumber::PermissionDenied : ErrorNumber::PathFileAccess);
    }
    const auto closeSearch = qScopeGuard([search] { FindClose(search); });
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name == u"."_s || name == u".."_s
            || (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0
            || !name.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            listing.unusable.append({NativePath::fromNative(name), FileKind::Folder});
        else
            listing.files.append(NativePath::fromNative(name));
    } while (FindNextFileW(search, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        throw RuntimeError(ErrorNumber::PathFileAccess);
#else
    DIR *dir = ::opendir(folder.native().constData());
    if (dir == nullptr) {
        // A folder that is not there lists nothing; one that is there and
        // cannot be read is a failure, not an empty collection.
        if (errno == ENOENT || errno == ENOTDIR)
            return listing;
        throw RuntimeError(listingError(errno));
    }
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    // Every name counts towards the folder's code page; only the matching
    // ones are looked at further.
    QList<QByteArray> names;
    QList<std::pair<QByteArray, FileKind>> matching;
    const QByteArray ending = suffix.toUtf8();
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0)
                throw RuntimeError(listingError(errno));
            break;
        }
        QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        names.append(name);
        // Hidden names. The suffix is ASCII, the same bytes in UTF-8 and in
        // every code page.
        if (name.startsWith('.') || name.size() < ending.size()
            || qstrnicmp(name.constData() + name.size() - ending.size(), ending.constData(), size_t(ending.size()))
                   != 0)
            continue;
        const FileKind kind = fileKindAt(::dirfd(dir), entry->d_name);
        if (kind != FileKind::Missing) // else removed since it was read
            matching.append({std::move(name), kind});
    }
    listing.codePage = codepage::ofNames(names);
    for (auto &[name, kind] : matching) {
        NativePath path = NativePath::fromNative(std::move(name), listing.codePage);
        if (kind == FileKind::Regular)
            listing.files.append(std::move(path));
        else
            listing.unusable.append({std::move(path), kind});
    }
#endif
    sortListing(listing);
    return listing;
}

} // namespace platform
