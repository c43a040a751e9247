#include "session/Session.h"

#include "options/OptionsFile.h"
#include "options/SettingsFile.h"

#include <QDir>

Session::Session(const QString& programFolder, QObject* parent)
    : QObject(parent), m_files(programFolder), m_run(m_queue) {
    PlatformDescription platform = PlatformDescription::native();
    platform.programFolder = m_files.folder();
    m_run.setPlatform(platform);
    m_run.settings().outputFolder = defaultOutputFolder();
}

RestoredSetup Session::restoreSetup() const {
    const auto bytes = readSettingsFile(m_files.setupIni());
    return bytes ? ::restoreSetup(parseSetupIni(*bytes)) : RestoredSetup{};
}

bool Session::saveSetup(int bitRateIndex, int sampleRateIndex, int channelIndex,
                        const QString& outputFolder, int formatIndex) const {
    QDir().mkpath(m_files.settingsFolder());
    return writeSetupIni(
        m_files.setupIni(),
        formatSetupIni(bitRateIndex, sampleRateIndex, channelIndex, outputFolder, formatIndex));
}

void Session::loadOptions() const {
    LoadOptionsFile(Options(), m_files.optionsIni());
}

bool Session::saveOptions() const {
    QDir().mkpath(m_files.settingsFolder());
    return SaveOptionsFile(Options(), m_files.optionsIni());
}
