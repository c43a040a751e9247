#pragma once

#include <QAbstractTableModel>

class FileQueue;

// The window's list as a view of the queue: two columns, the file (or, for a track of an album
// image, the image's name and the track) and its format tag. It follows the queue's changes in
// blocks, so adding or removing thousands of rows costs the view one notice, not thousands.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit FileListModel(FileQueue& queue, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    FileQueue& m_queue;
};
