// CPingResultSink: where probe threads post their results, shared between the checker and
// every probe thread still running.
//
// The block is reference-counted: the checker holds one reference, each probe thread one more,
// so the block outlives whichever of them ends last. The checker detaches itself before it is
// deleted; a probe that ends after that finds no target and drops its result. Posting and
// detaching take the block's lock, so a detach waits until a post under way has returned.
#pragma once

#include <windows.h>

#include "com_bstr.h"
#include "critical_section.h"

class CPingResultSink {
public:
    using PostFunction = void (*)(void* target, CComBSTR* data, const char* desc);

    // Null when there is no memory; the caller holds the first reference.
    static CPingResultSink* Create(PostFunction post, void* target);

    void AddRef();
    void Release();

    void Post(CComBSTR* data, const char* desc);
    void Detach();

private:
    CPingResultSink(PostFunction post, void* target) : m_post(post), m_target(target) {}
    ~CPingResultSink() = default;
    CPingResultSink(const CPingResultSink&) = delete;
    CPingResultSink& operator=(const CPingResultSink&) = delete;

    LONG m_references = 1;
    CCriticalSection m_lock;
    PostFunction m_post;
    void* m_target;
};
