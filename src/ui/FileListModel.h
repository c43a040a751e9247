#pragma once

#include <QAbstractTableModel>
#include <QHash>

class FileQueue;

// The window's list as a view of the queue: two columns, the file's name (or, for a track of an
// album image, the image's name and the track) and its format tag, with the full path (a
// track's image) as the tooltip. A file that failed reads "失败" in the format column and gives
// its reason in the tooltip; a file being converted may show its percent there ("APE 37%"). It
// follows the queue's changes in blocks, so adding or removing thousands of rows costs the view
// one notice, not thousands.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit FileListModel(FileQueue& queue, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The percent a queue entry's row shows beside its tag; clearPercent takes it away, and
    // clearPercents every row's.
    void showPercent(quint64 entryId, int percent);
    void clearPercent(quint64 entryId);
    void clearPercents();

private:
    void rowChanged(qsizetype row);

    FileQueue& m_queue;
    QHash<quint64, int> m_percents;
};
