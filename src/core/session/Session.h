#pragma once

#include "conversion/ConversionRun.h"
#include "filelist/FileQueue.h"
#include "options/SetupIni.h"
#include "platform/ProgramFiles.h"

#include <QObject>
#include <QString>

// What the window and the command line share: the queue, the settings and the run, the files
// beside the program and the defaults, the setup.ini restore and save, and the rules the list
// keeps while a run is under way (the file being converted stays). Widget-free: the window binds
// its boxes to it and keeps only presentation; the command line drives it directly.
class Session : public QObject {
    Q_OBJECT

public:
    // `programFolder` empty: the folder of the running program.
    explicit Session(const QString& programFolder = QString(), QObject* parent = nullptr);

    const ProgramFiles& files() const { return m_files; }
    FileQueue& queue() { return m_queue; }
    const FileQueue& queue() const { return m_queue; }
    ConversionRun& run() { return m_run; }
    EncoderSettings& settings() { return m_run.settings(); }

    QString defaultOutputFolder() const { return m_files.defaultOutputFolder(); }
    bool isConverting() const { return m_run.isRunning(); }

    // Removes the queued files at `indexes`, but not those being converted (they leave the list
    // when their encoders have ended) nor indexes that are not there.
    void removeRows(const QList<qsizetype>& indexes) { m_queue.removeEach(indexes); }
    // Removes every queued file but those being converted.
    void clearList() { m_queue.clear(); }

    // setup.ini: what start-up restores (nothing when the file is missing or no regular file),
    // and the exit's save. False when the file could not be written.
    RestoredSetup restoreSetup() const;
    bool saveSetup(int bitRateIndex, int sampleRateIndex, int channelIndex,
                   const QString& outputFolder, int formatIndex) const;

    // options.ini into and out of the program-wide options record.
    void loadOptions() const;
    bool saveOptions() const;

private:
    ProgramFiles m_files;
    FileQueue m_queue;
    ConversionRun m_run;
};
