// CScopedHandle: owns one kernel-object handle (event, thread, process, file ...) and closes it
// once. Null and INVALID_HANDLE_VALUE own nothing.
#pragma once

#include <windows.h>

#include <utility>

class CScopedHandle {
public:
    CScopedHandle() = default;
    explicit CScopedHandle(HANDLE handle) : m_handle(handle) {}
    ~CScopedHandle() { Reset(); }

    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    CScopedHandle(CScopedHandle&& other) noexcept : m_handle(other.Release()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }

    // Closes the handle held and takes `handle` in its place.
    void Reset(HANDLE handle = nullptr)
    {
        if (*this)
            CloseHandle(m_handle);
        m_handle = handle;
    }

    // Hands the handle over; nothing is closed.
    HANDLE Release() { return std::exchange(m_handle, nullptr); }

private:
    HANDLE m_handle = nullptr;
};
