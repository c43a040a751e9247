#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// An APE tag (version 2, or the older version 1) at the end of a file: Monkey's Audio images
// carry their CUE sheet in it, under the key "Cuesheet". Only the tag is read, never the audio.
struct ApeTagItem {
    QString key;
    QByteArray value;
    bool text = true;  // a text item (UTF-8 by the tag's rules); false for binary data and links
};

class ApeTag {
public:
    // The tag at the end of `path`, found before a trailing 128-byte ID3v1 tag too. A file
    // without a tag gives an empty one; a tag that contradicts itself or the file gives nothing,
    // with the reason in `error`.
    static std::optional<ApeTag> read(const QString& path, QString* error = nullptr);

    const QList<ApeTagItem>& items() const { return m_items; }
    // The first item with that key, ignoring case (keys are ASCII); nullptr when there is none.
    const ApeTagItem* find(QStringView key) const;

private:
    QList<ApeTagItem> m_items;
};
