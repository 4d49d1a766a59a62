#include "format/ReadingState.h"

#include "platform/RegularFile.h"
#include "platform/SavedFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLockFile>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// A path as the system names it, the same on every platform.
QByteArray keyOf(const platform::NativePath &path)
{
#ifdef Q_OS_WIN
    return path.native().toUtf8();
#else
    return path.native();
#endif
}

// A key goes into the file as text when it is UTF-8 (as almost every name
// is), else its bytes percent-encoded under a field of their own, so two
// names never come back as one.
void putKey(QJsonObject &object, const QString &field, const QByteArray &key)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(key);
    if (utf8.hasError())
        object.insert(field + u"Bytes"_s, QString::fromLatin1(key.toPercentEncoding()));
    else
        object.insert(field, text);
}

std::optional<QByteArray> takeKey(const QJsonObject &object, const QString &field)
{
    QByteArray key;
    if (const QJsonValue text = object.value(field); text.isString())
        key = text.toString().toUtf8();
    else if (const QJsonValue bytes = object.value(field + u"Bytes"_s); bytes.isString())
        key = QByteArray::fromPercentEncoding(bytes.toString().toLatin1());
    if (key.isEmpty())
        return std::nullopt;
    return key;
}

// A whole number that fits 64 bits, as written; nothing for anything else.
std::optional<qint64> wholeNumber(const QJsonValue &value)
{
    // toInteger gives its default for a number that is not whole or too
    // large: two defaults tell that from a number that is one of them.
    const qint64 a = value.toInteger(0);
    if (!value.isDouble() || a != value.toInteger(1))
        return std::nullopt;
    return a;
}

// Orders beyond this are damage: counting on from them must not overflow.
constexpr qint64 MaxOrder = std::numeric_limits<qint64>::max() / 2;

// A field that files of earlier versions lack: fallback when it is absent,
// the whole number in 0..max when it is one, nothing for anything else.
std::optional<qint64> laterField(const QJsonObject &object, const QString &field, qint64 fallback, qint64 max)
{
    if (!object.contains(field))
        return fallback;
    const auto number = wholeNumber(object.value(field));
    if (!number || *number < 0 || *number > max)
        return std::nullopt;
    return number;
}

// Whether what was kept with order and time is later than what was kept with
// the others: by order, and among equal orders (files of earlier versions
// have none) by time.
bool isLater(qint64 order, qint64 time, qint64 otherOrder, qint64 otherTime)
{
    return order != otherOrder ? order > otherOrder : time > otherTime;
}

// A key back as the path it was made of.
platform::NativePath pathOf(const QByteArray &key)
{
#ifdef Q_OS_WIN
    return platform::NativePath::fromNative(QString::fromUtf8(key));
#else
    return platform::NativePath::fromNative(key);
#endif
}

// A theme goes into the file by name, so that one this version does not know
// (from a later one) reads as the default rather than as another theme.
QString themeKey(Theme theme)
{
    switch (theme) {
    case Theme::Sepia:
        return u"sepia"_s;
    case Theme::Night:
        return u"night"_s;
    case Theme::Day:
        break;
    }
    return u"day"_s;
}

Theme themeOfKey(const QString &name)
{
    for (const Theme theme : {Theme::Sepia, Theme::Night}) {
        if (name == themeKey(theme))
            return theme;
    }
    return Theme::Day;
}

// What may be kept of choices: each field that cannot be one is its default.
// The font's name ends up in the page's style, so nothing odd goes there.
ReadingChoices kept(ReadingChoices choices)
{
    choices.theme = themeOfKey(themeKey(choices.theme));
    if (choices.font.size() > ReadingState::MaxFontName
        || std::any_of(choices.font.cbegin(), choices.font.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; }))
        choices.font.clear();
    return choices;
}

QJsonObject toJson(const ReadingChoices &choices)
{
    return {{u"bookLayout"_s, choices.bookLayout},
            {u"theme"_s, themeKey(choices.theme)},
            {u"font"_s, choices.font},
            {u"openLastAtStart"_s, choices.openLastAtStart}};
}

ReadingChoices choicesOf(const QJsonObject &object)
{
    const ReadingChoices defaults;
    return kept({object.value(u"bookLayout"_s).toBool(defaults.bookLayout),
                 themeOfKey(object.value(u"theme"_s).toString()), object.value(u"font"_s).toString(defaults.font),
                 object.value(u"openLastAtStart"_s).toBool(defaults.openLastAtStart)});
}

bool isTextSize(double factor)
{
    return std::isfinite(factor) && factor >= ReadingState::MinTextSize && factor <= ReadingState::MaxTextSize;
}

// At most the first MaxFileSize bytes of the file; nothing when it cannot be read.
QByteArray readCapped(const QString &path)
{
    platform::RegularFile file;
    if (file.openForInput(platform::NativePath(path)) != platform::ErrorNumber::None)
        return {};
    QByteArray contents(ReadingState::MaxFileSize, Qt::Uninitialized);
    qsizetype held = 0;
    while (held < contents.size()) {
        const qint64 n = file.read(contents.data() + held, contents.size() - held);
        if (n < 0)
            return {};
        if (n == 0)
            break;
        held += n;
    }
    contents.truncate(held);
    return contents;
}

} // namespace

ReadingState::ReadingState(QString folder, QObject *parent) : QObject(parent), m_folder(std::move(folder))
{
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(WriteDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &ReadingState::flush);
    merge();
}

ReadingState::~ReadingState()
{
    flush();
}

QString ReadingState::filePath() const
{
    if (m_folder.isEmpty())
        return {};
    return QDir(m_folder).filePath(QString::fromUtf16(FileName));
}

void ReadingState::merge()
{
    if (m_folder.isEmpty())
        return;
    // A line for each entry, so that a line that cannot be read costs that
    // entry alone.
    const QByteArray contents = readCapped(filePath());
    // The file holds the newest first; a foreign one of many small lines
    // would otherwise cost a lookup among all the others for each.
    qsizetype entries = 0;
    for (const QByteArray &line : contents.split('\n')) {
        if (entries == 2 * MaxWorks)
            break;
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject())
            continue;
        const QJsonObject object = document.object();
        const auto time = wholeNumber(object.value(u"time"_s));
        const auto order = laterField(object, u"order"_s, 0, MaxOrder);
        if (!time || !order)
            continue;
        m_highestOrder = std::max(m_highestOrder, *order);
        if (const QJsonValue choices = object.value(u"choices"_s); !choices.isUndefined()) {
            if (choices.isObject() && !m_choicesPending && isLater(*order, *time, m_choicesOrder, m_choicesTime)) {
                m_choices = choicesOf(choices.toObject());
                m_choicesTime = *time;
                m_choicesOrder = *order;
            }
            continue;
        }
        if (const QJsonValue size = object.value(u"textSize"_s); size.isDouble()) {
            if (isTextSize(size.toDouble()) && !m_textSizePending
                && isLater(*order, *time, m_textSizeOrder, m_textSizeTime)) {
                m_textSize = size.toDouble();
                m_textSizeTime = *time;
                m_textSizeOrder = *order;
            }
            continue;
        }
        const auto collection = takeKey(object, u"collection"_s);
        const auto work = takeKey(object, u"work"_s);
        const auto size = wholeNumber(object.value(u"size"_s));
        const auto modified = wholeNumber(object.value(u"modified"_s));
        const QJsonValue position = object.value(u"position"_s);
        const auto offset = laterField(object, u"offset"_s, -1, MaxOffset);
        if (!collection || !work || !size || *size < 0 || !modified || !position.isDouble() || !offset)
            continue;
        const platform::FileStamp stamp{*size, *modified};
        Entry entry{*collection, *work, stamp, ReadingPlace{*offset, position.toDouble()}, *time, *order};
        if (!(entry.place.fraction >= 0 && entry.place.fraction <= 1))
            continue;
        ++entries;
        const qsizetype i = indexOf(entry.collection, entry.work);
        if (i < 0)
            m_entries.append(std::move(entry));
        else if (!m_entries[i].pending && isLater(entry.order, entry.time, m_entries[i].order, m_entries[i].time))
            m_entries[i] = std::move(entry);
    }
    // The newest first: what changed here since the last writing (as it
    // stands), then by order.
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
        if (a.pending || b.pending)
            return a.pending && !b.pending;
        return isLater(a.order, a.time, b.order, b.time);
    });
    if (m_entries.size() > MaxWorks)
        m_entries.resize(MaxWorks);
}

qsizetype ReadingState::indexOf(const QByteArray &collection, const QByteArray &work) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].work == work && m_entries[i].collection == collection)
            return i;
    }
    return -1;
}

qint64 ReadingState::now() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

bool ReadingState::keeps(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                         const platform::FileStamp &stamp) const
{
    const qsizetype i = indexOf(keyOf(dataFolder), keyOf(workFile));
    return i >= 0 && m_entries[i].stamp == stamp;
}

ReadingPlace ReadingState::place(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                                 const platform::FileStamp &stamp) const
{
    const qsizetype i = indexOf(keyOf(dataFolder), keyOf(workFile));
    return i >= 0 && m_entries[i].stamp == stamp ? m_entries[i].place : ReadingPlace{};
}

void ReadingState::setPlace(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                            const platform::FileStamp &stamp, ReadingPlace place)
{
    if (std::isnan(place.fraction))
        return;
    place.fraction = std::clamp(place.fraction, 0.0, 1.0);
    if (place.offset < 0 || place.offset > MaxOffset)
        place.offset = -1;
    Entry entry{keyOf(dataFolder), keyOf(workFile), stamp, place, now(), 0, true};
    const qsizetype i = indexOf(entry.collection, entry.work);
    if (i == 0 && m_entries[0].stamp == stamp && m_entries[0].place == place)
        return;
    if (i >= 0)
        m_entries.removeAt(i);
    m_entries.prepend(std::move(entry));
    if (m_entries.size() > MaxWorks)
        m_entries.resize(MaxWorks);
    changed();
}

void ReadingState::setTextSize(double factor)
{
    if (!isTextSize(factor) || factor == m_textSize)
        return;
    m_textSize = factor;
    m_textSizeTime = now();
    m_textSizePending = true;
    changed();
}

std::optional<platform::NativePath> ReadingState::lastWork(const platform::NativePath &dataFolder) const
{
    // The entries stand newest first.
    const QByteArray collection = keyOf(dataFolder);
    for (const Entry &entry : m_entries) {
        if (entry.collection == collection)
            return pathOf(entry.work);
    }
    return std::nullopt;
}

void ReadingState::setChoices(const ReadingChoices &choices)
{
    const ReadingChoices next = kept(choices);
    if (next == m_choices)
        return;
    m_choices = next;
    m_choicesTime = now();
    m_choicesPending = true;
    changed();
}

void ReadingState::changed()
{
    m_dirty = true;
    // Not put off again by every change: a long scroll is written as it goes.
    if (!m_writeTimer.isActive())
        m_writeTimer.start();
}

QByteArray ReadingState::contents()
{
    QByteArray out =
        QJsonDocument(
            QJsonObject{{u"textSize"_s, m_textSize}, {u"time"_s, m_textSizeTime}, {u"order"_s, m_textSizeOrder}})
            .toJson(QJsonDocument::Compact);
    out += '\n';
    out += QJsonDocument(
               QJsonObject{{u"choices"_s, toJson(m_choices)}, {u"time"_s, m_choicesTime}, {u"order"_s, m_choicesOrder}})
               .toJson(QJsonDocument::Compact);
    out += '\n';
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries[i];
        // The fraction too, which earlier versions read.
        QJsonObject object{{u"size"_s, entry.stamp.size},
                           {u"modified"_s, entry.stamp.modified},
                           {u"position"_s, entry.place.fraction},
                           {u"time"_s, entry.time},
                           {u"order"_s, entry.order}};
        if (entry.place.offset >= 0)
            object.insert(u"offset"_s, entry.place.offset);
        putKey(object, u"collection"_s, entry.collection);
        putKey(object, u"work"_s, entry.work);
        const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        // Long paths could make a thousand entries more than is read back:
        // the oldest go first.
        if (out.size() + line.size() > MaxFileSize) {
            m_entries.resize(i);
            break;
        }
        out += line;
    }
    return out;
}

void ReadingState::flush()
{
    m_writeTimer.stop();
    if (!m_dirty || m_folder.isEmpty() || m_refused)
        return;
    m_dirty = false;
    // The folder only for its owner: it tells what the user reads.
    const QString folder = QDir::cleanPath(m_folder);
    if (!QFileInfo(folder).isDir()) {
        (void)QDir().mkpath(QFileInfo(folder).path());
        (void)QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // Nowhere to keep it (a file stands in the way): nothing is kept,
        // and no lock is tried there (Windows' QLockFile warns of it).
        if (!QFileInfo(folder).isDir())
            return;
    }
    // Another reader's writing between this one's reading and writing would
    // be lost; one that holds the lock longer than a moment is left behind.
    QLockFile lock(filePath() + u".lock"_s);
    (void)lock.tryLock(WriteDelayMs / 2);
    merge();
    // What changed here goes after all that was read, in the order it was
    // made: the pending entries stand first, the newest first.
    qsizetype pending = 0;
    while (pending < m_entries.size() && m_entries[pending].pending)
        ++pending;
    for (qsizetype i = pending - 1; i >= 0; --i)
        m_entries[i].order = ++m_highestOrder;
    if (m_textSizePending)
        m_textSizeOrder = ++m_highestOrder;
    if (m_choicesPending)
        m_choicesOrder = ++m_highestOrder;
    platform::SavedFile file;
    if (file.open(platform::NativePath(filePath())) && file.write(contents()) && file.commit()) {
        for (Entry &entry : m_entries)
            entry.pending = false;
        m_textSizePending = false;
        m_choicesPending = false;
    } else if (file.refused()) {
        m_refused = true;
        qWarning("The reading state is not kept: %ls: %ls", qUtf16Printable(filePath()),
                 qUtf16Printable(file.errorString()));
    }
}
