#include "conversion/VideoSize.h"

#include <QRegularExpression>

VideoSize VideoSize::parse(const QString& text) {
    static const QRegularExpression dimensions(QStringLiteral("^([0-9]+)x([0-9]+)$"));
    const QRegularExpressionMatch match = dimensions.match(text);
    if (!match.hasMatch()) {
        return VideoSize{Kind::Invalid, 0, 0, text};
    }
    // The text goes into command lines as it was typed ("0640x480" stays so).
    return VideoSize{Kind::Size, match.captured(1).toInt(), match.captured(2).toInt(), text};
}

QString VideoSize::text() const {
    switch (kind) {
        case Kind::Size:
            return typed.isEmpty() ? QStringLiteral("%1x%2").arg(width).arg(height) : typed;
        case Kind::Invalid:
            return typed;
        case Kind::Source:
            break;
    }
    return QString();
}

bool VideoSize::operator==(const VideoSize& other) const {
    if (kind != other.kind) {
        return false;
    }
    switch (kind) {
        case Kind::Size:
            return width == other.width && height == other.height;
        case Kind::Invalid:
            return typed == other.typed;
        case Kind::Source:
            break;
    }
    return true;
}
