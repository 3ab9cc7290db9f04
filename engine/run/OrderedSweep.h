// The points of a sweep computed on several threads and handed on in sweep order, so that what
// is written from them does not depend on the number of threads. Each point in flight has a
// slot of its own; at most that many points are computed ahead of the one handed on, so memory
// stays bounded for any length of sweep.
#pragma once

#include "engine/StopToken.h"

#include <cstdint>
#include <functional>

namespace tavi {

// Runs compute(slot, point) for the points 0..count-1 on threads threads (at least 1), each into
// one of slots slots (at least threads), and deliver(slot, point) for each point in order on the
// calling thread once it is computed; a slot is used again only after its point was delivered.
// stop is looked at before every delivery (throwing Stopped). An exception of compute or
// deliver stops the other threads and is thrown here.
void runOrdered(std::int64_t count, int threads, int slots,
                const std::function<void(int slot, std::int64_t point)>& compute,
                const std::function<void(int slot, std::int64_t point)>& deliver, StopToken stop);

// The threads a run uses when it is given 0: one per core.
int threadsFor(int requested);

}  // namespace tavi
