// setup.ini as start-up reads it: the lines, the stored indexes, and what the boxes take back.
//
// Input: the whole input is read as a setup.ini. Its first four bytes (as signed numbers) and
// the rest (as UTF-8) also make the five values of a file that is written and read back.

#include "FuzzCheck.h"

#include "conversion/EncoderSettings.h"
#include "conversion/FormatPresets.h"
#include "conversion/OutputFormat.h"
#include "options/SetupIni.h"

#include <QRegularExpression>

#include <limits>
#include <optional>

namespace {

QString describe(const std::optional<int>& value) {
    return value ? QString::number(*value) : QStringLiteral("nothing");
}

// A stored index the slow way: an optional sign, digits, optionally a point and zeros, blanks
// around; the number must fit 16 bits.
std::optional<int> expectedIndex(const QString& value) {
    static const QRegularExpression kWhole(QStringLiteral("^([+-]?)0*([0-9]+)(?:\\.0*)?$"));
    const QRegularExpressionMatch match = kWhole.match(value.trimmed());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString digits = match.captured(2);
    if (digits.size() > 6) {
        return std::nullopt;
    }
    const int magnitude = digits.toInt();
    const int number = match.captured(1) == QLatin1String("-") ? -magnitude : magnitude;
    if (number < std::numeric_limits<qint16>::min() ||
        number > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return number;
}

void checkIndexValue(const QString& value) {
    const std::optional<int> got = setupIndexValue(value);
    const std::optional<int> expected = expectedIndex(value);
    FUZZ_CHECK(got == expected, QLatin1Char('[') + visible(value) + QStringLiteral("] gave ") +
                                    describe(got) + QStringLiteral(", not ") + describe(expected));
}

// Start-up takes an index only when the line reads as one and the box has that many items.
void checkRestoredIndex(const std::optional<int>& restored, const QList<QString>& values,
                        qsizetype line, qsizetype boxSize) {
    std::optional<int> expected;
    if (line < values.size()) {
        const std::optional<int> index = setupIndexValue(values.at(line));
        if (index && *index >= 0 && *index < boxSize) {
            expected = index;
        }
    }
    FUZZ_CHECK(restored == expected, QStringLiteral("line %1 restored as ").arg(line) +
                                         describe(restored) + QStringLiteral(", not ") +
                                         describe(expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Reading: at most five lines, none holding a line end, unquoted ones trimmed.
    const SetupIniLines lines = parseSetupIni(bytes);
    FUZZ_CHECK(lines.values.size() <= 5, visible(lines.values));
    for (const QString& value : lines.values) {
        FUZZ_CHECK(!value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n')),
                   visible(lines.values));
        checkIndexValue(value);
    }
    checkIndexValue(QString::fromUtf8(bytes));
    checkIndexValue(codeUnits(bytes));

    const RestoredSetup restored = restoreSetup(lines);
    checkRestoredIndex(restored.bitRateIndex, lines.values, 0, bitRateItems().size());
    checkRestoredIndex(restored.sampleRateIndex, lines.values, 1, sampleRateItems().size());
    checkRestoredIndex(restored.channelIndex, lines.values, 2,
                       EncoderSettings::kSourceChannels + 1);
    checkRestoredIndex(restored.formatIndex, lines.values, 4, outputFormats().size());
    if (lines.values.size() > 3) {
        FUZZ_CHECK(restored.outputFolder == lines.values.at(3), visible(lines.values));
    } else {
        FUZZ_CHECK(!restored.outputFolder, visible(lines.values));
    }

    // Writing and reading back: every value comes back as it was, the folder whatever it holds
    // (quotes, blanks at either end, backslashes), as long as it has no line end.
    FuzzInput input(data, size);
    const int bitRate = static_cast<std::int8_t>(input.byte());
    const int sampleRate = static_cast<std::int8_t>(input.byte());
    const int channels = static_cast<std::int8_t>(input.byte());
    const int format = static_cast<std::int8_t>(input.byte());
    QString folder = QString::fromUtf8(input.rest());
    folder.remove(QLatin1Char('\r'));
    folder.remove(QLatin1Char('\n'));
    const QByteArray written = formatSetupIni(bitRate, sampleRate, channels, folder, format);
    const SetupIniLines back = parseSetupIni(written);
    const QList<QString> expected = {QString::number(bitRate), QString::number(sampleRate),
                                     QString::number(channels), folder, QString::number(format)};
    FUZZ_CHECK(back.values == expected, visible(back.values) + QStringLiteral(" from ") +
                                            visible(QString::fromUtf8(written)));
    const RestoredSetup again = restoreSetup(back);
    FUZZ_CHECK(again.outputFolder == folder, visible(folder));
    const auto inBox = [](int index, qsizetype boxSize) -> std::optional<int> {
        return index >= 0 && index < boxSize ? std::optional<int>(index) : std::nullopt;
    };
    FUZZ_CHECK(again.bitRateIndex == inBox(bitRate, bitRateItems().size()),
               describe(again.bitRateIndex));
    FUZZ_CHECK(again.sampleRateIndex == inBox(sampleRate, sampleRateItems().size()),
               describe(again.sampleRateIndex));
    FUZZ_CHECK(again.channelIndex == inBox(channels, EncoderSettings::kSourceChannels + 1),
               describe(again.channelIndex));
    FUZZ_CHECK(again.formatIndex == inBox(format, outputFormats().size()),
               describe(again.formatIndex));
    return 0;
}
