#include "platform/OpenFileLimit.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <algorithm>
#include <climits>

namespace OpenFileLimit {

long softLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > static_cast<rlim_t>(LONG_MAX)) {
        return -1;
    }
    return static_cast<long>(limit.rlim_cur);
}

int openNow() {
    // /proc lists them; the listing's own descriptor is not counted. Without /proc, each
    // number below the limit is asked.
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        int count = 0;
        while (const dirent* entry = ::readdir(dir)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(dir);
        return std::max(0, count - 1);
    }
    const long limit = softLimit();
    const int last = limit < 0 ? 65536 : static_cast<int>(std::min(limit, 65536L));
    int count = 0;
    for (int fd = 0; fd < last; ++fd) {
        count += ::fcntl(fd, F_GETFD) != -1 ? 1 : 0;
    }
    return count;
}

int encodersWithin(int wanted, long limit, int open) {
    wanted = std::max(1, wanted);
    if (limit < 0) {
        return wanted;
    }
    const long room = (limit - open - kReserve) / kPerEncoder;
    return static_cast<int>(std::clamp(room, 1L, static_cast<long>(wanted)));
}

int encodersWithin(int wanted) {
    return encodersWithin(wanted, softLimit(), openNow());
}

}  // namespace OpenFileLimit
