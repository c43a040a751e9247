#include "CueTestFiles.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <QFile>
#include <QLatin1Char>
#include <cerrno>

namespace CueTestFiles {

namespace {

void appendLittleEndian32(QByteArray& bytes, qsizetype value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

}  // namespace

QString fixture(const QString& name) {
    return QStringLiteral(VORDANA_FIXTURES_DIR "/cue/") + name;
}

QString fixtureSheetText() {
    QFile file(fixture(QStringLiteral("Live Set.cue")));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QString::fromUtf8(file.readAll());
}

QByteArray encoded(const QString& text, const char* encoding) {
    const iconv_t converter = iconv_open(encoding, "UTF-8");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << encoding;
    QByteArray input = text.toUtf8();
    char* in = input.data();
    size_t inLeft = static_cast<size_t>(input.size());
    QByteArray output(input.size() * 4 + 16, '\0');
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    const size_t status = iconv(converter, &in, &inLeft, &out, &outLeft);
    EXPECT_NE(status, static_cast<size_t>(-1)) << "cannot write the text in " << encoding;
    iconv_close(converter);
    output.truncate(output.size() - static_cast<qsizetype>(outLeft));
    return output;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString albumSheet(const QString& album, const QString& performer, const QStringList& titles) {
    QStringList lines = {QStringLiteral("REM GENRE \"Classical\""),
                         QStringLiteral("REM DATE 1999"),
                         QStringLiteral("REM DISCID 8A0B2C0D"),
                         QStringLiteral("REM COMMENT \"ExactAudioCopy v0.99pb5\""),
                         QStringLiteral("PERFORMER \"%1\"").arg(performer),
                         QStringLiteral("TITLE \"%1\"").arg(album),
                         QStringLiteral("FILE \"CDImage.wav\" WAVE")};
    for (int i = 0; i < titles.size(); ++i) {
        lines << QStringLiteral("  TRACK %1 AUDIO").arg(i + 1, 2, 10, QLatin1Char('0'))
              << QStringLiteral("    TITLE \"%1\"").arg(titles[i])
              << QStringLiteral("    PERFORMER \"%1\"").arg(performer);
        if (i > 0) {
            lines << QStringLiteral("    INDEX 00 %1:00:00").arg(i * 4, 2, 10, QLatin1Char('0'));
        }
        lines << QStringLiteral("    INDEX 01 %1:02:00").arg(i * 4, 2, 10, QLatin1Char('0'));
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QByteArray apeTag(const QList<std::pair<QByteArray, QByteArray>>& items, bool withHeader) {
    QByteArray body;
    for (const auto& [key, value] : items) {
        appendLittleEndian32(body, value.size());
        appendLittleEndian32(body, 0);  // flags: a UTF-8 text item
        body += key + '\0' + value;
    }
    auto frame = [&](quint32 flags) {
        QByteArray bytes("APETAGEX");
        appendLittleEndian32(bytes, 2000);
        appendLittleEndian32(bytes, body.size() + 32);  // items and footer
        appendLittleEndian32(bytes, items.size());
        appendLittleEndian32(bytes, flags);
        return bytes + QByteArray(8, '\0');
    };
    const quint32 hasHeader = 1u << 31;
    const quint32 isHeader = 1u << 29;
    if (withHeader) {
        return frame(hasHeader | isHeader) + body + frame(hasHeader);
    }
    return body + frame(0);
}

}  // namespace CueTestFiles
