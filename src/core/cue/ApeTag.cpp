#include "cue/ApeTag.h"

#include "platform/UserFile.h"

#include <QFileInfo>

#include <utility>

namespace {

constexpr qint64 kFooterSize = 32;
constexpr qint64 kId3v1Size = 128;
constexpr quint32 kMaxItems = 10000;  // far beyond any real tag; stops a corrupt count early

quint32 littleEndian32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return quint32{b[0]} | quint32{b[1]} << 8 | quint32{b[2]} << 16 | quint32{b[3]} << 24;
}

bool readAt(UserFile& file, qint64 position, qint64 size, QByteArray& bytes) {
    std::optional<QByteArray> read = file.readAt(position, size);
    if (!read) {
        return false;
    }
    bytes = std::move(*read);
    return true;
}

}  // namespace

std::optional<ApeTag> ApeTag::read(const QString& path, QString* error) {
    const QString name = QFileInfo(path).fileName();
    auto failed = [&](const QString& reason) -> std::optional<ApeTag> {
        if (error) {
            *error = QStringLiteral("%1: %2").arg(name, reason);
        }
        return std::nullopt;
    };
    // Only a regular file is opened, so its size can be trusted to find the tag's end.
    UserFile file(path);
    if (!file.isOpen()) {
        return failed(QStringLiteral("cannot be read (%1)").arg(file.error()));
    }
    const qint64 fileSize = file.size();
    QByteArray footer;
    qint64 footerAt = -1;
    // The tag's footer ends the file, or sits just before an ID3v1 tag ("TAG" + 125 bytes).
    for (const qint64 end : {fileSize, fileSize - kId3v1Size}) {
        if (end >= kFooterSize && readAt(file, end - kFooterSize, kFooterSize, footer) &&
            footer.startsWith("APETAGEX")) {
            footerAt = end - kFooterSize;
            break;
        }
    }
    if (footerAt < 0) {
        return ApeTag();
    }
    const quint32 version = littleEndian32(footer.constData() + 8);
    const quint32 tagSize = littleEndian32(footer.constData() + 12);  // items and footer
    const quint32 itemCount = littleEndian32(footer.constData() + 16);
    if (version != 1000 && version != 2000) {
        return failed(QStringLiteral("APE tag version %1 is unknown").arg(version));
    }
    if (tagSize < kFooterSize || tagSize > static_cast<quint64>(footerAt + kFooterSize) ||
        itemCount > kMaxItems) {
        return failed(QStringLiteral("APE tag sizes do not fit the file"));
    }
    QByteArray items;
    if (!readAt(file, footerAt + kFooterSize - qint64{tagSize}, qint64{tagSize} - kFooterSize,
                items)) {
        return failed(QStringLiteral("APE tag cannot be read"));
    }

    // Each item: value size, flags (both 32-bit little-endian), key, NUL, value.
    ApeTag tag;
    qsizetype at = 0;
    for (quint32 i = 0; i < itemCount; ++i) {
        if (items.size() - at < 8) {
            return failed(QStringLiteral("APE tag item %1 runs past the tag").arg(i + 1));
        }
        const quint32 valueSize = littleEndian32(items.constData() + at);
        const quint32 flags = littleEndian32(items.constData() + at + 4);
        const qsizetype keyAt = at + 8;
        const qsizetype keyEnd = items.indexOf('\0', keyAt);
        if (keyEnd < 0 || keyEnd == keyAt ||
            valueSize > static_cast<quint64>(items.size() - keyEnd - 1)) {
            return failed(QStringLiteral("APE tag item %1 runs past the tag").arg(i + 1));
        }
        ApeTagItem item;
        item.key = QString::fromLatin1(items.constData() + keyAt, keyEnd - keyAt);
        item.value = items.mid(keyEnd + 1, qsizetype{valueSize});
        item.text = version == 1000 || ((flags >> 1) & 3) == 0;  // bits 1-2: 0 is UTF-8 text
        tag.m_items << item;
        at = keyEnd + 1 + qsizetype{valueSize};
    }
    return tag;
}

const ApeTagItem* ApeTag::find(QStringView key) const {
    for (const ApeTagItem& item : m_items) {
        if (item.key.compare(key, Qt::CaseInsensitive) == 0) {
            return &item;
        }
    }
    return nullptr;
}
