// StackMeasuringStarter: a thread starter (plugin_thread.h) for benchmarks that runs each
// thread on a stack painted beforehand and keeps the deepest stack any of them reached:
// DeepestStack() bytes below where the thread's procedure was entered.
//
// The thread gets the program's default reservation; kPaintedStack of it below the entry is
// painted, page by page from the top, so the stack grows as it would in use.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "plugin_thread.h"

namespace stack_depth_detail {

constexpr size_t kPaintedStack = 1024 * 1024;
constexpr unsigned char kPaint = 0xA5;

inline std::atomic<size_t>& Deepest()
{
    static std::atomic<size_t> deepest{0};
    return deepest;
}

struct Job {
    LPTHREAD_START_ROUTINE procedure;
    void* argument;
};

__attribute__((noinline)) inline void Paint(volatile unsigned char* top)
{
    for (size_t at = 512; at < kPaintedStack; ++at)
        top[-static_cast<ptrdiff_t>(at)] = kPaint;
}

__attribute__((noinline)) inline size_t Measure(volatile unsigned char* top)
{
    size_t at = kPaintedStack - 1;
    while (at > 512 && top[-static_cast<ptrdiff_t>(at)] == kPaint)
        --at;
    return at;
}

inline DWORD WINAPI Run(void* param)
{
    Job job = *static_cast<Job*>(param);
    delete static_cast<Job*>(param);
    volatile unsigned char here = 0;
    volatile unsigned char* top = &here;
    Paint(top);
    DWORD rc = job.procedure(job.argument);
    size_t depth = Measure(top);
    size_t seen = Deepest().load();
    while (depth > seen && !Deepest().compare_exchange_weak(seen, depth)) {
    }
    return rc;
}

}  // namespace stack_depth_detail

inline size_t DeepestStack()
{
    return stack_depth_detail::Deepest().load();
}

inline HANDLE StackMeasuringStarter(LPTHREAD_START_ROUTINE procedure, void* argument)
{
    auto* job = new (std::nothrow) stack_depth_detail::Job{procedure, argument};
    if (!job) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HANDLE thread = CreateThread(nullptr, 0, stack_depth_detail::Run, job, 0, nullptr);
    if (!thread)
        delete job;
    return thread;
}
