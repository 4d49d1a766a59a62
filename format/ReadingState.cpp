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
        if (!time)
            continue;
        if (const QJsonValue size = object.value(u"textSize"_s); size.isDouble()) {
            if (isTextSize(size.toDouble()) && *time > m_textSizeTime) {
                m_textSize = size.toDouble();
                m_textSizeTime = *time;
            }
            continue;
        }
        const auto collection = takeKey(object, u"collection"_s);
        const auto work = takeKey(object, u"work"_s);
        const auto size = wholeNumber(object.value(u"size"_s));
        const auto modified = wholeNumber(object.value(u"modified"_s));
        const QJsonValue position = object.value(u"position"_s);
        if (!collection || !work || !size || *size < 0 || !modified || !position.isDouble())
            continue;
        Entry entry{*collection, *work, platform::FileStamp{*size, *modified}, position.toDouble(), *time};
        if (!(entry.position >= 0 && entry.position <= 1))
            continue;
        ++entries;
        const qsizetype i = indexOf(entry.collection, entry.work);
        if (i < 0)
            m_entries.append(std::move(entry));
        else if (entry.time > m_entries[i].time)
            m_entries[i] = std::move(entry);
    }
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const Entry &a, const Entry &b) { return a.time > b.time; });
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

double ReadingState::position(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                              const platform::FileStamp &stamp) const
{
    const qsizetype i = indexOf(keyOf(dataFolder), keyOf(workFile));
    return i >= 0 && m_entries[i].stamp == stamp ? m_entries[i].position : 0.0;
}

void ReadingState::setPosition(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                               const platform::FileStamp &stamp, double position)
{
    if (std::isnan(position))
        return;
    Entry entry{keyOf(dataFolder), keyOf(workFile), stamp, std::clamp(position, 0.0, 1.0),
                QDateTime::currentMSecsSinceEpoch()};
    const qsizetype i = indexOf(entry.collection, entry.work);
    if (i == 0 && m_entries[0].stamp == stamp && m_entries[0].position == entry.position)
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
    m_textSizeTime = QDateTime::currentMSecsSinceEpoch();
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
    QByteArray out = QJsonDocument(QJsonObject{{u"textSize"_s, m_textSize}, {u"time"_s, m_textSizeTime}})
                         .toJson(QJsonDocument::Compact);
    out += '\n';
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries[i];
        QJsonObject object{{u"size"_s, entry.stamp.size},
                           {u"modified"_s, entry.stamp.modified},
                           {u"position"_s, entry.position},
                           {u"time"_s, entry.time}};
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
    if (!m_dirty || m_folder.isEmpty())
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
    platform::SavedFile file;
    if (file.open(platform::NativePath(filePath())) && file.write(contents()))
        (void)file.commit();
}
