// The reference count of heap objects: a new object holds one reference, each AddRef and
// Release returns the count it leaves, and the last Release deletes the object once.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "ref_counted.h"

namespace {

class CCounted : public CRefCounted<IUnknown> {
public:
    explicit CCounted(int* deleted) : m_deleted(deleted) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (!IsEqualIID(riid, IID_IUnknown)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }

private:
    ~CCounted() override { ++*m_deleted; }

    int* m_deleted;
};

}  // namespace

TEST(CRefCountedTest, NewObjectHoldsOneReferenceAndTheLastReleaseDeletesItOnce)
{
    int deleted = 0;
    IUnknown* object = new CCounted(&deleted);
    EXPECT_EQ(2u, object->AddRef());
    IUnknown* again = nullptr;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(object, again);
    EXPECT_EQ(2u, again->Release());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, deleted);
}

TEST(CRefCountedTest, CountsFromManyThreadsAtOnceAddUp)
{
    int deleted = 0;
    IUnknown* object = new CCounted(&deleted);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 20000; ++i) {
                object->AddRef();
                object->Release();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, deleted);
}
