// CBoundedPackages: the bounds of a trap listener's queue of packages, kept beside the vector
// that its owner drains (CSNMPmon::m_Packages, guarded by m_PackageLock).
//
// A sender that floods the listener faster than its owner hands the packages on must not grow
// the queue without end: Push deletes the oldest packages while the queue, with the new one,
// would hold more than `maxPackages` packages or more than `maxBytes` bytes of records (a
// package's get_size), and counts them until TakeDropped. The newest package is always kept.
// The owner takes packages straight from the vector (all of them, or the oldest ones); the
// tally follows on the next Push. Every call is made under the queue's lock.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

// A listener's queue holds at most this many packages, and at most this many bytes of them.
constexpr size_t kTrapQueuePackages = 8192;
constexpr size_t kTrapQueueBytes = 2u << 20;

template <class Package>
class CBoundedPackages {
public:
    CBoundedPackages(size_t maxPackages, size_t maxBytes)
        : m_maxPackages(maxPackages), m_maxBytes(maxBytes)
    {
    }

    // Appends `package`, which the queue owns from then on. False when it could not be
    // appended: it is then deleted and counted as dropped.
    bool Push(std::vector<Package*>& queue, Package* package)
    {
        Resync(queue);
        const size_t size = package->get_size();
        size_t drop = 0;
        size_t bytes = m_bytes;
        while (drop < queue.size() &&
               (queue.size() - drop + 1 > m_maxPackages || bytes + size > m_maxBytes))
            bytes -= queue[drop++]->get_size();
        for (size_t i = 0; i < drop; ++i)
            delete queue[i];
        queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(drop));
        m_dropped += drop;
        m_bytes = bytes;
        m_counted = queue.size();
        try {
            queue.push_back(package);
        } catch (const std::bad_alloc&) {
            delete package;
            ++m_dropped;
            return false;
        }
        m_bytes += size;
        m_counted = queue.size();
        return true;
    }

    // The packages dropped since the last call.
    unsigned long TakeDropped()
    {
        unsigned long dropped = m_dropped;
        m_dropped = 0;
        return dropped;
    }

    size_t Bytes(const std::vector<Package*>& queue)
    {
        Resync(queue);
        return m_bytes;
    }

private:
    // The owner took packages since the last Push: count what is left.
    void Resync(const std::vector<Package*>& queue)
    {
        if (queue.size() == m_counted)
            return;
        m_bytes = 0;
        for (Package* package : queue)
            m_bytes += package->get_size();
        m_counted = queue.size();
    }

    const size_t m_maxPackages;
    const size_t m_maxBytes;
    size_t m_bytes = 0;    // the bytes of the packages counted
    size_t m_counted = 0;  // the queue's length when the bytes were counted
    unsigned long m_dropped = 0;
};
