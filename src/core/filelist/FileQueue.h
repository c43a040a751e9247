#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct TrackCut;

// The paths still to convert, in order. The window shows it as its list, the command-line front
// end fills it from its arguments, and the conversion run takes files from its front. An entry
// being converted is busy: it cannot be removed by anyone but the run, which removes it when its
// file is done. The run takes the first free entry, so with one file at a time the head is the
// file being converted. An entry whose file failed may stay, set aside with the reason: the run
// does not take it again until restoreSetAside() (the next run). Signals let a view follow every
// change.
class FileQueue : public QObject {
    Q_OBJECT

public:
    // What can be queued: a file, or one track of an album image (then `path` is the track's
    // label, "<image> #NN Title").
    struct Item {
        QString path;
        std::shared_ptr<const TrackCut> track;
        QString subfolder;  // where under the output folder its result goes ("" : at the top)
    };
    struct Entry {
        quint64 id = 0;
        QString path;
        std::shared_ptr<const TrackCut> track;
        QString subfolder;
    };

    explicit FileQueue(QObject* parent = nullptr) : QObject(parent) {}

    const QStringList& paths() const { return m_paths; }
    qsizetype count() const { return m_paths.size(); }
    bool isEmpty() const { return m_paths.isEmpty(); }
    QString head() const { return m_paths.value(0); }
    qsizetype busyCount() const { return m_busyCount; }
    bool isBusy(qsizetype index) const { return index >= 0 && index < count() && m_busy.at(index); }
    // Entries the run may take now: neither busy nor set aside.
    qsizetype waitingCount() const { return count() - m_busyCount - m_setAsideCount; }
    // Why an entry's file failed when it was set aside ("" for any other), until it is taken
    // again.
    QString failureAt(qsizetype index) const { return m_failures.value(index); }
    quint64 idAt(qsizetype index) const { return m_ids.value(index); }
    qsizetype indexOf(quint64 id) const { return m_ids.indexOf(id); }

    void append(const QString& path);
    void append(const QStringList& paths);
    void append(const QList<Item>& items);
    // The track an entry stands for; nothing for a whole file.
    std::shared_ptr<const TrackCut> trackAt(qsizetype index) const { return m_tracks.value(index); }
    // Removes a free entry; does nothing for an index that is not there or is busy.
    void removeAt(qsizetype index);
    // Removes the free entries among `indexes`, each run of neighbours as one block.
    void removeEach(QList<qsizetype> indexes);
    // Removes every free entry; busy ones stay.
    void clear();
    // Removes up to `count` free entries from the first free one on, as far as they run
    // without a busy one between them: one block, one notice.
    void removeFrontFree(qsizetype count);

    // The run's side: marks the first free entry busy and gives it (nothing when none is free);
    // gives a busy entry back (its file did not start); removes a busy entry whose file is done;
    // frees a busy entry whose file failed, set aside with the reason; lets every entry set
    // aside be taken again.
    std::optional<Entry> takeNext();
    void release(quint64 id);
    void finish(quint64 id);
    void setAside(quint64 id, const QString& failure);
    void restoreSetAside();

signals:
    // Each change comes as a pair, before and after, as item models want it.
    void aboutToAppend(qsizetype first, qsizetype count);
    void appended(qsizetype first, qsizetype count);
    void aboutToRemove(qsizetype first, qsizetype count);
    void removed(qsizetype first, qsizetype count);
    // An entry's failure mark came or went.
    void changed(qsizetype index);

private:
    qsizetype busyIndexOf(quint64 id) const;
    void removeRange(qsizetype first, qsizetype count);

    QStringList m_paths;
    QList<quint64> m_ids;
    QList<std::shared_ptr<const TrackCut>> m_tracks;
    QStringList m_subfolders;
    QList<bool> m_busy;
    QList<bool> m_setAside;
    QStringList m_failures;
    qsizetype m_busyCount = 0;
    qsizetype m_setAsideCount = 0;
    quint64 m_nextId = 1;
};
