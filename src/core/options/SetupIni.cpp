#include "options/SetupIni.h"

#include "conversion/EncoderSettings.h"
#include "conversion/FormatPresets.h"
#include "conversion/OutputFormat.h"
#include "options/SettingsFile.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kLineCount = 5;

QString quoted(const QString& value) {
    return QLatin1Char('"') + value + QLatin1Char('"');
}

QString unquoted(const QString& line) {
    const QString text = line.trimmed();
    if (!text.startsWith(QLatin1Char('"'))) {
        return text;
    }
    // Without a closing quote the value runs to the end of the line.
    const qsizetype close = text.lastIndexOf(QLatin1Char('"'));
    return close > 0 ? text.mid(1, close - 1) : text.mid(1);
}

}  // namespace

QByteArray formatSetupIni(int bitRateIndex, int sampleRateIndex, int channelIndex,
                          const QString& outputFolder, int formatIndex) {
    const QString lines[] = {QString::number(bitRateIndex), QString::number(sampleRateIndex),
                             QString::number(channelIndex), outputFolder,
                             QString::number(formatIndex)};
    QString text;
    for (const QString& value : lines) {
        text += quoted(value) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

SetupIniLines parseSetupIni(const QByteArray& bytes) {
    // fromUtf8 also drops the byte-order mark an editor may have put in front.
    const QString text = QString::fromUtf8(bytes);
    SetupIniLines result;
    qsizetype start = 0;
    while (start < text.size() && result.values.size() < kLineCount) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\r') &&
               text[end] != QLatin1Char('\n')) {
            ++end;
        }
        result.values.append(unquoted(text.sliced(start, end - start)));
        const bool crLf = end + 1 < text.size() && text[end] == QLatin1Char('\r') &&
                          text[end + 1] == QLatin1Char('\n');
        start = end + (crLf ? 2 : 1);
    }
    return result;
}

std::optional<int> setupIndexValue(const QString& value) {
    const QStringView text = QStringView(value).trimmed();
    const auto digit = [&text](qsizetype i) {
        return i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
    };
    qsizetype i = 0;
    const bool negative = i < text.size() && text[i] == QLatin1Char('-');
    if (negative || (i < text.size() && text[i] == QLatin1Char('+'))) {
        ++i;
    }
    if (!digit(i)) {
        return std::nullopt;
    }
    // Saturates just past the 16-bit range, so a long digit string cannot overflow.
    constexpr int kBeyond = std::numeric_limits<qint16>::max() + 2;
    int magnitude = 0;
    for (; digit(i); ++i) {
        magnitude = std::min(magnitude * 10 + (text[i].unicode() - '0'), kBeyond);
    }
    // "7.0" is still a whole number.
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i] == QLatin1Char('0')) {
            ++i;
        }
    }
    const int number = negative ? -magnitude : magnitude;
    if (i != text.size() || number < std::numeric_limits<qint16>::min() ||
        number > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return number;
}

RestoredSetup restoreSetup(const SetupIniLines& lines) {
    const QList<QString>& v = lines.values;
    const auto index = [&v](qsizetype line, qsizetype listSize) -> std::optional<int> {
        if (line >= v.size()) {
            return std::nullopt;
        }
        const auto value = setupIndexValue(v.at(line));
        return value && *value >= 0 && *value < listSize ? value : std::nullopt;
    };
    RestoredSetup restored;
    restored.bitRateIndex = index(0, bitRateItems().size());
    restored.sampleRateIndex = index(1, sampleRateItems().size());
    // Mono, stereo, and the source's own channels of the newer audio formats.
    restored.channelIndex = index(2, EncoderSettings::kSourceChannels + 1);
    if (v.size() > 3) {
        restored.outputFolder = v.at(3);
    }
    restored.formatIndex = index(4, outputFormats().size());
    return restored;
}

bool writeSetupIni(const QString& path, const QByteArray& content) {
    return writeSettingsFile(path, content);
}
