#include "platform/PlatformDescription.h"

#include "platform/PrivateTempFolder.h"

#include "platform/ProgramFiles.h"

PlatformDescription PlatformDescription::native() {
    return {QLatin1Char('/'), QString(), ProgramFiles::runningProgramFolder(),
            PrivateTempFolder::path()};
}
