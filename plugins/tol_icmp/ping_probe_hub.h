// CPingProbeHub: what the checker and its probe threads share: where results go, which tests
// have a probe running, and the request to stop.
//
// The block is reference-counted: the checker holds one reference, each probe thread one more,
// so the block outlives whichever of them ends last. A test has at most one probe at a time
// (TryBeginProbe), so overlapping probes never share an echo identifier and sequence numbers.
// The checker detaches itself before it is deleted: the stop event is set, which running
// probes look at between requests, and a probe that ends after that finds no target and drops
// its result. Posting and detaching take the block's lock, so a detach waits until a post
// under way has returned.
#pragma once

#include <windows.h>

#include <set>

#include "com_bstr.h"
#include "critical_section.h"

class CPingProbeHub {
public:
    using PostFunction = void (*)(void* target, CComBSTR* data, const char* desc);

    // Null when there is no memory or no event; the caller holds the first reference.
    static CPingProbeHub* Create(PostFunction post, void* target);

    void AddRef();
    void Release();

    // True when no probe of the test runs; it is then marked running until EndProbe.
    bool TryBeginProbe(int tid);
    void EndProbe(int tid);

    // Signalled once the checker has gone: probes stop at their next request.
    HANDLE StopEvent() const { return m_stop; }

    void Post(CComBSTR* data, const char* desc);
    void Detach();

private:
    CPingProbeHub(PostFunction post, void* target);
    ~CPingProbeHub();
    CPingProbeHub(const CPingProbeHub&) = delete;
    CPingProbeHub& operator=(const CPingProbeHub&) = delete;

    LONG m_references = 1;
    CCriticalSection m_lock;  // the target
    PostFunction m_post;
    void* m_target;
    CCriticalSection m_runningLock;
    std::set<int> m_running;
    HANDLE m_stop;
};
