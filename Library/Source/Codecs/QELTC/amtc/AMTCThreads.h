#pragma once
// Thread support of the multi-pass encoder: processor count, thread start and join, and
// the stage runner that spreads per-worker records over threads.
#include <pthread.h>

#include <cstddef>
#include <cstdint>

namespace qeltexture {

const unsigned kAMTCMaxThreads = 128;

// Available processors, else configured processors, else 1.
unsigned DetermineNumberOfCores();

// 1 when the thread was created, 0 when not.
int LaunchThread(void* (*routine)(void*), void* argument, pthread_t* handle);

// Joins the handles in order; a failed join prints the system's message and aborts.
void WaitForThreads(pthread_t* handles, unsigned count);

// Workers for a stage over blocksY block rows: (blocksY + 1) / 2 (128 when blocksY + 1 is
// above 255), at most the number of cores (4 when that is unknown, 0). requested, when
// non-zero, stands in for the number of cores.
unsigned amtc_thread_count(uint32_t blocksY, unsigned requested);

// Runs routine on count records of recordSize bytes: records 0 .. count - 2 on new threads,
// the last on the calling thread, then joins. A record whose thread cannot be created runs on
// the calling thread when no thread of this stage is running; otherwise the running ones are
// joined first and the creation is retried.
void amtc_run_stage(void* (*routine)(void*), void* records, size_t recordSize, unsigned count);

}  // namespace qeltexture
