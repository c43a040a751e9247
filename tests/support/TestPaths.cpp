#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

namespace TestPaths {

QString fixture(const QString& name) {
    return QStringLiteral(VORDANA_FIXTURES_DIR "/ape/") + name;
}

QString benchInput(const QString& name) {
    return QStringLiteral(VORDANA_FIXTURES_DIR "/bench/") + name;
}

QString programFolder() {
    return QStringLiteral(VORDANA_PROGRAM_DIR);
}

QString helper(const QString& name) {
    return QStringLiteral(VORDANA_HELPERS_DIR "/") + name;
}

QString copyHelperAs(const QString& helperName, const QString& folder, const QString& newName) {
    const QString target = folder + QLatin1Char('/') + newName;
    QFile::remove(target);
    QFile::copy(helper(helperName), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return target;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace TestPaths

MediaInfo probeMedia(const QString& path) {
    MediaInfo info;
    const ProcessResult probe = runProgram(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
         QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"), path},
        30000);
    if (probe.exitCode != 0) {
        return info;
    }
    const QJsonObject root = QJsonDocument::fromJson(probe.out.toUtf8()).object();
    const QJsonArray streams = root.value(QStringLiteral("streams")).toArray();
    for (const auto& value : streams) {
        const QJsonObject stream = value.toObject();
        if (stream.value(QStringLiteral("codec_type")).toString() != QLatin1String("audio")) {
            continue;
        }
        info.ok = true;
        info.codec = stream.value(QStringLiteral("codec_name")).toString();
        info.sampleRate = stream.value(QStringLiteral("sample_rate")).toString().toInt();
        info.channels = stream.value(QStringLiteral("channels")).toInt();
        info.bitRate = stream.value(QStringLiteral("bit_rate")).toString().toLongLong();
        info.duration = stream.value(QStringLiteral("duration")).toString().toDouble();
        break;
    }
    // Decode to mono 16-bit samples at the stream's rate and count them.
    const ProcessResult decoded =
        runProgram(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                    QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-f"),
                    QStringLiteral("s16le"), QStringLiteral("-")},
                   60000, {}, true);
    if (info.sampleRate > 0) {
        info.decodedDuration =
            static_cast<double>(decoded.outBytes) / 2.0 / static_cast<double>(info.sampleRate);
    }
    const QJsonObject tags =
        root.value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const QString key = it.key().toLower();
        if (key == QLatin1String("title")) {
            info.title = it.value().toString();
        } else if (key == QLatin1String("artist")) {
            info.artist = it.value().toString();
        } else if (key == QLatin1String("album")) {
            info.album = it.value().toString();
        }
    }
    return info;
}

ProcessResult runProgram(const QString& program, const QStringList& arguments, int timeoutMs,
                         const QStringList& extraEnvironment, bool countOnly) {
    ProcessResult result;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& assignment : extraEnvironment) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        environment.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return result;
    }
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QByteArray out = process.readAllStandardOutput();
    result.outBytes = out.size();
    if (!countOnly) {
        result.out = QString::fromUtf8(out);
    }
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QList<int> processesMentioning(const QString& text) {
    QList<int> found;
    const QByteArray wanted = text.toUtf8();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const int pid = entry.toInt(&number);
        if (!number || pid == static_cast<int>(QCoreApplication::applicationPid())) {
            continue;
        }
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(wanted)) {
            found << pid;
        }
    }
    return found;
}
