#include "Codecs/QELTC/amtc/AMTCThreads.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace qeltexture {

namespace {
const char* const kThreadSource = "Library/Source/Codecs/QELTC/amtc/threadsupport";
}

unsigned DetermineNumberOfCores() {
    // sysconf stands in for the processor-count query of other systems.
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    if (n < 1) n = sysconf(_SC_NPROCESSORS_CONF);
    if (n < 1) n = long(std::thread::hardware_concurrency());
    return n < 1 ? 1u : unsigned(n);
}

int LaunchThread(void* (*routine)(void*), void* argument, pthread_t* handle) {
    return pthread_create(handle, nullptr, routine, argument) == 0 ? 1 : 0;
}

void WaitForThreads(pthread_t* handles, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        const int rc = pthread_join(handles[i], nullptr);
        if (rc != 0) {
            fprintf(stderr, "%s at \"%s\":%d: %s\n", "Join thread", kThreadSource, __LINE__, strerror(rc));
            abort();
        }
    }
}

unsigned amtc_thread_count(uint32_t blocksY, unsigned requested) {
    const uint64_t rows = uint64_t(blocksY) + 1;
    unsigned h = rows > 255 ? kAMTCMaxThreads : unsigned(rows / 2);
    if (h == 0) h = 1;
    const unsigned cores = requested != 0 ? requested : DetermineNumberOfCores();
    unsigned t = cores == 0 ? (h < 4 ? h : 4) : (h < cores ? h : cores);
    return t > kAMTCMaxThreads ? kAMTCMaxThreads : t;
}

void amtc_run_stage(void* (*routine)(void*), void* records, size_t recordSize, unsigned count) {
    if (count == 0) return;
    char* base = static_cast<char*>(records);
    pthread_t handles[kAMTCMaxThreads];
    unsigned running = 0;
    for (unsigned i = 0; i + 1 < count; ++i) {
        void* record = base + i * recordSize;
        if (LaunchThread(routine, record, &handles[running])) {
            ++running;
            continue;
        }
        if (running == 0) {
            routine(record);
            continue;
        }
        WaitForThreads(handles, running);
        running = 0;
        if (LaunchThread(routine, record, &handles[running]))
            ++running;
        else
            routine(record);
    }
    routine(base + (count - 1) * recordSize);
    WaitForThreads(handles, running);
}

}  // namespace qeltexture
