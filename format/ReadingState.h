#pragma once

#include "format/ReadingChoices.h"
#include "format/ReadingPlace.h"
#include "platform/FileStamp.h"
#include "platform/NativePath.h"
#include "platform/System.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// What the reader keeps from one run to the next: where each work was left,
// the text size and the reading choices. One small file in the user's own state folder, never
// beside a collection, written a moment after a change (so a reader that is
// killed loses that moment at most) and in one piece. Whatever of the file
// cannot be read (damaged, cut short, another program's, too large) is left
// out entry by entry, and a folder that cannot be written keeps nothing: both
// without a word, as neither is the reader's business. A file that may not be
// replaced (a link to a device, a FIFO, another user's file: see
// platform::ReplaceTarget) keeps nothing for the run, with one warning.
// Readers running at the same time (two collections, say) share the file:
// each writes what it changed into what the others wrote, the later change
// winning. Later is by an order each writer increases, not by the clock: an
// entry stamped ahead by a clock that was wrong once would otherwise win over
// every change after it.
class ReadingState : public QObject
{
    Q_OBJECT

public:
    // The file's name in the state folder.
    static constexpr char16_t FileName[] = u"reading.jsonl";
    // The works kept: those read last.
    static constexpr qsizetype MaxWorks = 1000;
    // Read no further, and written no larger.
    static constexpr qsizetype MaxFileSize = qsizetype(1) << 20;
    // How long after a change it is written at the latest.
    static constexpr int WriteDelayMs = 1000;
    // The text sizes taken from the file; 1 is the page as written.
    static constexpr double MinTextSize = 0.25;
    static constexpr double MaxTextSize = 5.0;
    // Offsets in a page's text beyond this are taken for damage.
    static constexpr qint64 MaxOffset = qint64(1) << 40;
    // A font family's name is no longer than this.
    static constexpr qsizetype MaxFontName = 100;

    // Reads what was kept in folder (by default the user's state folder);
    // an empty folder keeps nothing beyond this run.
    explicit ReadingState(QString folder = platform::userStateFolder(), QObject *parent = nullptr);
    // Writes what is not written yet.
    ~ReadingState() override;
    ReadingState(const ReadingState &) = delete;
    ReadingState &operator=(const ReadingState &) = delete;

    // Whether work file workFile of the collection whose data folder is
    // dataFolder was read, and its file has the stamp it had then.
    [[nodiscard]] bool keeps(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                             const platform::FileStamp &stamp) const;
    // Where work file workFile (its name as listed) of the collection whose
    // data folder is dataFolder was left: {-1, 0} when it never was, or when
    // its file's stamp is not the one it had then.
    [[nodiscard]] ReadingPlace place(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                                     const platform::FileStamp &stamp) const;
    // Keeps where that work is now, with the stamp its file has: the fraction
    // taken into 0..1 (not a number is ignored), an offset outside
    // 0..MaxOffset as unknown.
    void setPlace(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                  const platform::FileStamp &stamp, ReadingPlace place);

    // The place's fraction alone (0 the top, 1 the end).
    [[nodiscard]] double position(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                                  const platform::FileStamp &stamp) const
    {
        return place(dataFolder, workFile, stamp).fraction;
    }
    void setPosition(const platform::NativePath &dataFolder, const platform::NativePath &workFile,
                     const platform::FileStamp &stamp, double position)
    {
        setPlace(dataFolder, workFile, stamp, ReadingPlace{-1, position});
    }

    // The text size (a zoom factor) of every page: 1 when none was kept.
    [[nodiscard]] double textSize() const { return m_textSize; }
    // Keeps a text size within MinTextSize..MaxTextSize; another is ignored.
    void setTextSize(double factor);

    // The work file (its name as listed) of the collection whose data folder
    // is dataFolder that was read last; nothing when none was.
    [[nodiscard]] std::optional<platform::NativePath> lastWork(const platform::NativePath &dataFolder) const;

    // How pages are shown: the defaults when nothing was kept.
    [[nodiscard]] ReadingChoices choices() const { return m_choices; }
    // Keeps them; a font name that is longer than MaxFontName or holds a
    // control character is kept as none.
    void setChoices(const ReadingChoices &choices);

    // Writes now what is not written yet (at exit).
    void flush();

    // The file's path; empty without a folder.
    [[nodiscard]] QString filePath() const;

protected:
    // The wall clock, in milliseconds since 1970 (tests set their own).
    [[nodiscard]] virtual qint64 now() const;

private:
    struct Entry
    {
        QByteArray collection;
        QByteArray work;
        platform::FileStamp stamp;
        ReadingPlace place;
        qint64 time = 0; // when it was kept, in milliseconds since 1970: the order's tie-break
        qint64 order = 0; // the writer's order; 0 in files written before there was one
        bool pending = false; // changed here since this reader last wrote
    };

    // Takes in what the file holds now where it was kept later than here
    // (what changed here since the last writing always is the later).
    void merge();
    void changed();
    // The file's contents: the newest entries that fit MaxFileSize.
    [[nodiscard]] QByteArray contents();
    [[nodiscard]] qsizetype indexOf(const QByteArray &collection, const QByteArray &work) const;

    QString m_folder;
    QList<Entry> m_entries; // the last read first
    double m_textSize = 1.0;
    qint64 m_textSizeTime = 0;
    qint64 m_textSizeOrder = 0;
    bool m_textSizePending = false;
    ReadingChoices m_choices;
    qint64 m_choicesTime = 0;
    qint64 m_choicesOrder = 0;
    bool m_choicesPending = false;
    // The highest order seen in the file or given here.
    qint64 m_highestOrder = 0;
    bool m_dirty = false;
    // The file may not be replaced: nothing is written in this run.
    bool m_refused = false;
    QTimer m_writeTimer;
};
