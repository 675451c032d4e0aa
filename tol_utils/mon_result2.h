// CMonResult2: the writer of result records (ResultBlob).
//
// Layout, little-endian, no padding:
//   header   eight u32: total size, capacities I32, UI32, I64, UI64, D64, STRING, nested count
//   sections I32, UI32 (4 bytes a slot), I64, UI64, D64 (8 bytes a slot), sized by capacity
//   texts    NUL-terminated byte strings, as many as the STRING capacity
//   nested   complete records back to back, each led by its own total size
//
// A record belongs to one thread at a time. Blocks handed out by get() live on the process
// heap; the caller frees them with FreeHeapBlock. The buffer grows geometrically, so a record
// of n nested records costs O(n) to build; get_pointer() is valid until the next text or
// nested record is added, or the record is reset.
#pragma once

#include "tol_utils_api.h"

#include <cstddef>  // the compiler run-time's __int64

struct ResultWriterState;

class TOL_UTILS_API CMonResult2 {
public:
    CMonResult2();
    ~CMonResult2();
    CMonResult2(const CMonResult2&) = delete;
    CMonResult2& operator=(const CMonResult2&) = delete;

    // Capacities I32, UI32, I64, UI64, D64, STRING.
    bool create(unsigned int i32Count, unsigned int ui32Count, unsigned int i64Count,
                unsigned int ui64Count, unsigned int d64Count, unsigned int textCount);
    // Time stamp (I64, seconds since 1970 UTC), then type, test id, location id (UI32).
    bool init(unsigned int resultType, unsigned int testId, unsigned int locationId);
    bool reset();

    bool add(int value);
    bool add(unsigned int value);
    bool add(__int64 value);
    bool add(unsigned __int64 value);
    bool add(double value);
    bool add(char* text);     // null or empty: "N/A"
    bool add(wchar_t* text);  // converted to UTF-8; null or empty: "N/A"
    bool add(void* record);   // a complete record led by its total size
    bool add(CMonResult2* record);

    bool get(char** bytes, unsigned int* size);
    const char* get_pointer();
    unsigned int get_size();

private:
    unsigned int m_Capacity[6];
    ResultWriterState* m_State;
};
