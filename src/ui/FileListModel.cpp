#include "FileListModel.h"

#include "cue/TrackCut.h"
#include "filelist/FileList.h"
#include "filelist/FileQueue.h"

FileListModel::FileListModel(FileQueue& queue, QObject* parent)
    : QAbstractTableModel(parent), m_queue(queue) {
    connect(&queue, &FileQueue::aboutToAppend, this, [this](qsizetype first, qsizetype count) {
        beginInsertRows(QModelIndex(), static_cast<int>(first),
                        static_cast<int>(first + count - 1));
    });
    connect(&queue, &FileQueue::appended, this, [this] { endInsertRows(); });
    connect(&queue, &FileQueue::aboutToRemove, this, [this](qsizetype first, qsizetype count) {
        beginRemoveRows(QModelIndex(), static_cast<int>(first),
                        static_cast<int>(first + count - 1));
    });
    connect(&queue, &FileQueue::removed, this, [this] { endRemoveRows(); });
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_queue.count());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_queue.count()) {
        return QVariant();
    }
    if (const auto track = m_queue.trackAt(index.row())) {
        return index.column() == 0 ? track->shortLabel() : QStringLiteral("CUE");
    }
    const QString& path = m_queue.paths().at(index.row());
    return index.column() == 0 ? path : FileList::formatTag(path);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    return section == 0 ? QStringLiteral("文件名") : QStringLiteral("格式");
}
