// The bounds of a trap listener's queue: the oldest packages go first, each counted once, and
// the queue never holds more packages or bytes than its bounds with the newest one.
#include "bounded_packages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A package of some size that knows when it is deleted.
struct FakePackage {
    FakePackage(unsigned size, int id, std::vector<int>* deleted)
        : size(size), id(id), deleted(deleted)
    {
    }
    ~FakePackage() { deleted->push_back(id); }
    unsigned get_size() const { return size; }
    unsigned size;
    int id;
    std::vector<int>* deleted;
};

struct Queue {
    explicit Queue(size_t packages, size_t bytes) : bounds(packages, bytes) {}
    ~Queue()
    {
        for (FakePackage* p : packages)
            delete p;
    }
    void Push(unsigned size) { bounds.Push(packages, new FakePackage(size, next++, &deleted)); }
    std::vector<int> Ids() const
    {
        std::vector<int> ids;
        for (FakePackage* p : packages)
            ids.push_back(p->id);
        return ids;
    }
    // The owner takes the oldest `count` packages.
    void Take(size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            delete packages[i];
        packages.erase(packages.begin(), packages.begin() + static_cast<std::ptrdiff_t>(count));
    }

    CBoundedPackages<FakePackage> bounds;
    std::vector<FakePackage*> packages;
    std::vector<int> deleted;
    int next = 0;
};

TEST(BoundedPackages, TheOldestGoBeyondEitherBound)
{
    struct {
        const char* what;
        size_t maxPackages, maxBytes;
        std::vector<unsigned> sizes;
        std::vector<int> kept;
        unsigned long dropped;
    } const cases[] = {
        {"within both bounds", 3, 100, {10, 10, 10}, {0, 1, 2}, 0},
        {"one package too many", 3, 100, {10, 10, 10, 10}, {1, 2, 3}, 1},
        {"the byte bound", 10, 100, {40, 40, 40}, {1, 2}, 1},
        {"a large package pushes out several", 10, 100, {30, 30, 30, 90}, {3}, 3},
        {"the newest is kept even when it alone passes the bytes", 10, 100, {30, 150}, {1}, 1},
        {"and goes with the next one", 10, 100, {150, 10}, {1}, 1},
        {"exactly at the byte bound", 10, 100, {50, 50}, {0, 1}, 0},
    };
    for (const auto& c : cases) {
        Queue queue(c.maxPackages, c.maxBytes);
        for (unsigned size : c.sizes)
            queue.Push(size);
        EXPECT_EQ(queue.Ids(), c.kept) << c.what;
        EXPECT_EQ(queue.bounds.TakeDropped(), c.dropped) << c.what;
        EXPECT_EQ(queue.bounds.TakeDropped(), 0u) << c.what;   // counted once
        EXPECT_EQ(queue.deleted.size(), c.dropped) << c.what;  // dropped packages are freed
    }
}

TEST(BoundedPackages, AFloodKeepsTheNewestWithinTheBounds)
{
    Queue queue(100, 5000);
    unsigned long dropped = 0;
    for (int i = 0; i < 20000; ++i) {
        queue.Push(30 + i % 50);
        ASSERT_LE(queue.packages.size(), 100u);
        ASSERT_LE(queue.bounds.Bytes(queue.packages), 5000u);
        if (i % 997 == 0)
            dropped += queue.bounds.TakeDropped();
    }
    dropped += queue.bounds.TakeDropped();
    EXPECT_EQ(dropped + queue.packages.size(), 20000u);
    // What is left are the newest, in order, and the dropped ones went oldest first.
    std::vector<int> ids = queue.Ids();
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ids[i], 20000 - static_cast<int>(ids.size()) + static_cast<int>(i));
    for (size_t i = 0; i < queue.deleted.size(); ++i)
        ASSERT_EQ(queue.deleted[i], static_cast<int>(i));
}

TEST(BoundedPackages, WhatTheOwnerTakesNoLongerCounts)
{
    Queue queue(10, 100);
    for (unsigned size : {40u, 40u})
        queue.Push(size);
    queue.Take(2);  // all of them
    queue.Push(90);
    EXPECT_EQ(queue.bounds.TakeDropped(), 0u);
    queue.Push(10);
    queue.Take(1);  // the oldest only: 10 bytes left
    queue.Push(90);
    EXPECT_EQ(queue.Ids(), (std::vector<int>{3, 4}));
    EXPECT_EQ(queue.bounds.TakeDropped(), 0u);
    EXPECT_EQ(queue.bounds.Bytes(queue.packages), 100u);
}

}  // namespace
