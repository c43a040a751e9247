#include "platform/PlatformDescription.h"

#include "platform/PrivateTempFolder.h"

#include <QCoreApplication>

PlatformDescription PlatformDescription::native() {
    return {QLatin1Char('/'), QString(), QCoreApplication::applicationDirPath(),
            PrivateTempFolder::path()};
}
