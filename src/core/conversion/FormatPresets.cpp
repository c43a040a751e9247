#include "conversion/FormatPresets.h"

const QStringList& bitRateItems() {
    static const QStringList items = {
        QStringLiteral("10.2"), QStringLiteral("12.2"), QStringLiteral("32"),
        QStringLiteral("48"),   QStringLiteral("56"),   QStringLiteral("64"),
        QStringLiteral("80"),   QStringLiteral("96"),   QStringLiteral("112"),
        QStringLiteral("128"),  QStringLiteral("192"),  QStringLiteral("224"),
        QStringLiteral("256"),  QStringLiteral("320"),
    };
    return items;
}

const QStringList& sampleRateItems() {
    // 12050 is meant as it stands (not 11025 or 12000): the MP3 encoder takes the nearest rate.
    static const QStringList items = {
        QStringLiteral("48000"), QStringLiteral("44100"), QStringLiteral("32000"),
        QStringLiteral("24000"), QStringLiteral("22050"), QStringLiteral("16000"),
        QStringLiteral("12050"), QStringLiteral("8000"),
    };
    return items;
}

const QStringList& videoBitRateItems() {
    static const QStringList items = {
        QStringLiteral("40"),   QStringLiteral("80"),   QStringLiteral("120"),
        QStringLiteral("128"),  QStringLiteral("256"),  QStringLiteral("384"),
        QStringLiteral("512"),  QStringLiteral("600"),  QStringLiteral("640"),
        QStringLiteral("768"),  QStringLiteral("800"),  QStringLiteral("900"),
        QStringLiteral("1000"), QStringLiteral("1500"),
    };
    return items;
}

const QStringList& frameRateItems() {
    static const QStringList items = {QStringLiteral("15"), QStringLiteral("23"),
                                      QStringLiteral("29")};
    return items;
}
