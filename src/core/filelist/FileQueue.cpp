#include "filelist/FileQueue.h"

void FileQueue::append(const QString& path) {
    m_paths.append(path);
    emit appended(path);
}

void FileQueue::removeAt(qsizetype index) {
    if (index < 0 || index >= m_paths.size()) {
        return;
    }
    m_paths.removeAt(index);
    emit removed(index);
}

void FileQueue::clear() {
    m_paths.clear();
    emit cleared();
}
