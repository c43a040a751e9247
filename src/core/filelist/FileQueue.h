#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The paths still to convert, in order; the head (entry 0) is the file being converted. The
// window shows it as its list, the command-line front end fills it from its arguments, and the
// conversion run takes files from its front. Signals let a view follow every change.
class FileQueue : public QObject {
    Q_OBJECT

public:
    explicit FileQueue(QObject* parent = nullptr) : QObject(parent) {}

    const QStringList& paths() const { return m_paths; }
    qsizetype count() const { return m_paths.size(); }
    bool isEmpty() const { return m_paths.isEmpty(); }
    QString head() const { return m_paths.value(0); }

    void append(const QString& path);
    // Does nothing for an index that is not there.
    void removeAt(qsizetype index);
    void clear();

signals:
    void appended(const QString& path);
    void removed(qsizetype index);
    void cleared();

private:
    QStringList m_paths;
};
