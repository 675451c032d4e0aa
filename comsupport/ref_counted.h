// CRefCounted<Base>: the reference count of a COM object that lives on the heap on its own (an
// event sink, an enumerator, a class object): AddRef and Release with interlocked counts, and
// the last Release deletes the object.
//
//     class CSink : public CRefCounted<IDispatch> { ... };
//     CSink* sink = new (std::nothrow) CSink;   // one reference, its creator's
//     ...
//     sink->Release();                            // the last one: the sink is deleted
//
// Base is the interface (or a class that implements one) whose AddRef and Release this gives;
// the class derives from CRefCounted<Base> in place of Base, so what its callers see is Base's
// table unchanged, with the virtual destructor after it. A new object holds one reference.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <class Base>
class CRefCounted : public Base {
public:
    CRefCounted(const CRefCounted&) = delete;
    CRefCounted& operator=(const CRefCounted&) = delete;

    STDMETHOD_(ULONG, AddRef)() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&m_ref));
    }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG n = static_cast<ULONG>(InterlockedDecrement(&m_ref));
        if (n == 0)
            delete this;
        return n;
    }

protected:
    CRefCounted() = default;
    virtual ~CRefCounted() = default;

private:
    long m_ref = 1;
};
