#pragma once

// How many encoders may run at once within the limit of open files (ulimit -n). Each one holds
// descriptors of ours: the two ends of its pipe while it starts, then the read end and its
// pidfd. A start beyond the limit fails ("Too many open files"), so the lanes stay within it.
namespace OpenFileLimit {

inline constexpr int kPerEncoder = 3;
// Kept free for Qt, the report and the passing looks at the process table.
inline constexpr int kReserve = 8;

// The soft limit of open files; -1 when there is none.
long softLimit();
// Descriptors this process has open now.
int openNow();
// At most `wanted` and at least one: as many encoders as `limit` (-1: none) leaves room for
// beside the `open` descriptors and the reserve.
int encodersWithin(int wanted, long limit, int open);
// The same for this process now.
int encodersWithin(int wanted);

}  // namespace OpenFileLimit
