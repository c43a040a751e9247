#include "filelist/FileQueue.h"

#include <algorithm>
#include <functional>

void FileQueue::append(const QString& path) {
    append(QStringList{path});
}

void FileQueue::append(const QStringList& paths) {
    QList<Item> items;
    items.reserve(paths.size());
    for (const QString& path : paths) {
        items.append(Item{path, nullptr, QString()});
    }
    append(items);
}

void FileQueue::append(const QList<Item>& items) {
    if (items.isEmpty()) {
        return;
    }
    const qsizetype first = m_paths.size();
    emit aboutToAppend(first, items.size());
    for (const Item& item : items) {
        m_paths.append(item.path);
        m_tracks.append(item.track);
        m_subfolders.append(item.subfolder);
        m_ids.append(m_nextId++);
        m_busy.append(false);
        m_setAside.append(false);
        m_failures.append(QString());
    }
    emit appended(first, items.size());
}

void FileQueue::removeRange(qsizetype first, qsizetype count) {
    if (count <= 0) {
        return;
    }
    emit aboutToRemove(first, count);
    m_setAsideCount -=
        std::count(m_setAside.cbegin() + first, m_setAside.cbegin() + first + count, true);
    m_paths.remove(first, count);
    m_tracks.remove(first, count);
    m_subfolders.remove(first, count);
    m_ids.remove(first, count);
    m_busy.remove(first, count);
    m_setAside.remove(first, count);
    m_failures.remove(first, count);
    emit removed(first, count);
}

void FileQueue::removeAt(qsizetype index) {
    if (index < 0 || index >= m_paths.size() || m_busy.at(index)) {
        return;
    }
    removeRange(index, 1);
}

void FileQueue::removeEach(QList<qsizetype> indexes) {
    // From the back, so the indexes ahead stay valid.
    std::sort(indexes.begin(), indexes.end(), std::greater<>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    qsizetype i = 0;
    while (i < indexes.size()) {
        const qsizetype last = indexes.at(i);
        qsizetype first = last;
        while (i < indexes.size() && indexes.at(i) == first && first >= 0 && first < count() &&
               !m_busy.at(first)) {
            --first;
            ++i;
        }
        if (first == last) {
            ++i;  // not there, or busy
        }
        removeRange(first + 1, last - first);
    }
}

void FileQueue::clear() {
    // Runs of free entries go as blocks, from the back so the indexes ahead stay valid.
    qsizetype end = m_paths.size();
    while (end > 0) {
        while (end > 0 && m_busy.at(end - 1)) {
            --end;
        }
        qsizetype first = end;
        while (first > 0 && !m_busy.at(first - 1)) {
            --first;
        }
        removeRange(first, end - first);
        end = first;
    }
}

void FileQueue::removeFrontFree(qsizetype count) {
    const qsizetype first = m_busy.indexOf(false);
    if (first < 0) {
        return;
    }
    qsizetype end = first;
    while (end < m_busy.size() && end - first < count && !m_busy.at(end)) {
        ++end;
    }
    removeRange(first, end - first);
}

std::optional<FileQueue::Entry> FileQueue::takeNext() {
    qsizetype index = 0;
    while (index < count() && (m_busy.at(index) || m_setAside.at(index))) {
        ++index;
    }
    if (index == count()) {
        return std::nullopt;
    }
    m_busy[index] = true;
    ++m_busyCount;
    if (!m_failures.at(index).isEmpty()) {
        m_failures[index].clear();
        emit changed(index);
    }
    return Entry{m_ids.at(index), m_paths.at(index), m_tracks.at(index), m_subfolders.at(index)};
}

qsizetype FileQueue::busyIndexOf(quint64 id) const {
    const qsizetype index = m_ids.indexOf(id);
    return index >= 0 && m_busy.at(index) ? index : -1;
}

void FileQueue::release(quint64 id) {
    const qsizetype index = busyIndexOf(id);
    if (index >= 0) {
        m_busy[index] = false;
        --m_busyCount;
    }
}

void FileQueue::finish(quint64 id) {
    const qsizetype index = busyIndexOf(id);
    if (index < 0) {
        return;
    }
    --m_busyCount;
    removeRange(index, 1);
}

void FileQueue::setAside(quint64 id, const QString& failure) {
    const qsizetype index = busyIndexOf(id);
    if (index < 0) {
        return;
    }
    m_busy[index] = false;
    --m_busyCount;
    m_setAside[index] = true;
    ++m_setAsideCount;
    m_failures[index] = failure;
    emit changed(index);
}

void FileQueue::restoreSetAside() {
    m_setAside.fill(false);
    m_setAsideCount = 0;
}
