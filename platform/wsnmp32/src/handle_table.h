// A table of API objects by handle. Handles come from one counter shared by every table, so
// a handle of one kind is never valid as another. The caller holds the API lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>

namespace wsnmp {

uintptr_t NextHandleValue();

template <class T>
class CHandleTable {
public:
    HANDLE add(std::unique_ptr<T> item)
    {
        uintptr_t id = NextHandleValue();
        m_items[id] = std::move(item);
        return reinterpret_cast<HANDLE>(id);
    }
    T* find(HANDLE handle) const
    {
        auto it = m_items.find(reinterpret_cast<uintptr_t>(handle));
        return it == m_items.end() ? nullptr : it->second.get();
    }
    bool remove(HANDLE handle) { return m_items.erase(reinterpret_cast<uintptr_t>(handle)) != 0; }
    // Frees every object that belongs to the session.
    void removeSession(uintptr_t session)
    {
        for (auto it = m_items.begin(); it != m_items.end();) {
            if (it->second->session == session)
                it = m_items.erase(it);
            else
                ++it;
        }
    }
    void clear() { m_items.clear(); }

private:
    std::map<uintptr_t, std::unique_ptr<T>> m_items;
};

}  // namespace wsnmp
