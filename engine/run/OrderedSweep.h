// The points of a sweep computed on several threads and handed on in sweep order, so that what
// is written from them does not depend on the number of threads. Every thread, the caller's
// included, computes points and hands on whatever has become ready in order, so no thread waits
// for a writer that the scheduler has parked: a parked thread holds up only its own point,
// while the others compute up to a window of points ahead of it. Each point in the window has a
// slot of its own, so memory stays bounded for any length of sweep.
#pragma once

#include "engine/StopToken.h"

#include <cstdint>
#include <functional>

namespace tavi {

// Runs compute(thread, slot, point) for the points 0..count-1 on threads threads (at least 1,
// the calling thread one of them), thread 0..threads-1 telling each its own, into one of
// window slots (at least 1), and deliver(slot, point) for each point once it is computed, one
// at a time and in sweep order, on any of the threads; a slot is used again only after its
// point was delivered. stop is looked at before every delivery (throwing Stopped). An exception
// of compute or deliver stops the other threads and is thrown here.
void runOrdered(std::int64_t count, int threads, int window,
                const std::function<void(int thread, int slot, std::int64_t point)>& compute,
                const std::function<void(int slot, std::int64_t point)>& deliver, StopToken stop);

// The threads a run uses when it is given 0: one per core.
int threadsFor(int requested);

// The window of a run on threads threads: enough points for each thread to keep computing while
// another is parked by the scheduler for a few time slices, and no more than a few megabytes of
// points.
int windowFor(int threads);

}  // namespace tavi
