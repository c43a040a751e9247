#include "FileListModel.h"

#include "cue/TrackCut.h"
#include "filelist/FileList.h"
#include "filelist/FileQueue.h"
#include "filelist/NativeNames.h"

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
    connect(&queue, &FileQueue::changed, this, &FileListModel::rowChanged);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_queue.count());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
        index.row() >= m_queue.count()) {
        return QVariant();
    }
    const auto track = m_queue.trackAt(index.row());
    const QString& path = m_queue.paths().at(index.row());
    const QString failure = m_queue.failureAt(index.row());
    if (role == Qt::ToolTipRole) {
        const QString full = NativeNames::shown(track ? track->image : path);
        return failure.isEmpty() ? full : full + QLatin1Char('\n') + NativeNames::shown(failure);
    }
    if (index.column() == 0) {
        return track ? track->shortLabel() : path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    }
    if (!failure.isEmpty()) {
        return tr("失败");
    }
    const QString tag = track ? QStringLiteral("CUE") : FileList::formatTag(path);
    const auto percent = m_percents.constFind(m_queue.idAt(index.row()));
    return percent == m_percents.constEnd() ? tag : QStringLiteral("%1 %2%").arg(tag).arg(*percent);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    return section == 0 ? tr("文件名") : tr("格式");
}

void FileListModel::showPercent(quint64 entryId, int percent) {
    auto shown = m_percents.find(entryId);
    if (shown == m_percents.end() || *shown != percent) {
        m_percents.insert(entryId, percent);
        rowChanged(m_queue.indexOf(entryId));
    }
}

void FileListModel::clearPercent(quint64 entryId) {
    if (m_percents.remove(entryId)) {
        rowChanged(m_queue.indexOf(entryId));
    }
}

void FileListModel::clearPercents() {
    const QList<quint64> ids = m_percents.keys();
    m_percents.clear();
    for (const quint64 id : ids) {
        rowChanged(m_queue.indexOf(id));
    }
}

void FileListModel::rowChanged(qsizetype row) {
    if (row >= 0 && row < m_queue.count()) {
        emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), 1));
    }
}
