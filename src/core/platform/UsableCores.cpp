#include "platform/UsableCores.h"

#include <QtGlobal>

#include <sched.h>
#include <unistd.h>

int usableCores() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
        return qMax(1, CPU_COUNT(&cpus));
    }
    return qMax(1, static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN)));
}
