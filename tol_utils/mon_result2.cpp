#include "mon_result2.h"

#include "heap_helpers.h"
#include "unix_time.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Value kinds of the typed append; the fixed kinds 1..5 are also the header's capacity order.
enum ValueKind { KIND_I32 = 1, KIND_UI32, KIND_I64, KIND_UI64, KIND_D64, KIND_TEXT, KIND_NESTED };

constexpr unsigned kSectionCount = 5;
constexpr unsigned kHeaderSize = 32;
constexpr unsigned kSlotWidth[kSectionCount] = {4, 4, 8, 8, 8};
constexpr unsigned kWordTotal = 0;
constexpr unsigned kWordFirstCapacity = 1;
constexpr unsigned kWordTextCapacity = 6;
constexpr unsigned kWordNested = 7;
const char kNotAvailable[] = "N/A";

unsigned ReadWord(const unsigned char* record, unsigned index)
{
    uint32_t value;
    memcpy(&value, record + 4 * index, sizeof(value));
    return value;
}

void WriteWord(unsigned char* record, unsigned index, unsigned value)
{
    uint32_t word = value;
    memcpy(record + 4 * index, &word, sizeof(word));
}

// Header plus the five fixed sections for the given capacities (I32, UI32, I64, UI64, D64).
uint64_t FixedSize(const unsigned* capacities)
{
    uint64_t size = kHeaderSize;
    for (unsigned k = 0; k < kSectionCount; ++k)
        size += uint64_t(kSlotWidth[k]) * capacities[k];
    return size;
}

uint64_t FixedSizeOfRecord(const unsigned char* record)
{
    unsigned capacities[kSectionCount];
    for (unsigned k = 0; k < kSectionCount; ++k)
        capacities[k] = ReadWord(record, kWordFirstCapacity + k);
    return FixedSize(capacities);
}

}  // namespace

// The record grows geometrically: `room` bytes are allocated, of which the header's total
// size is in use (the rest is zero). The sections, texts and nested records are kept as
// offsets into the buffer, which stay right when the buffer moves.
struct ResultWriterState {
    unsigned char* buffer;
    size_t room;
    uint32_t sections[kSectionCount];  // offset of each fixed section, 0 for capacity 0
    unsigned int counts[kSectionCount];
    unsigned int textCount;
    uint32_t* texts;   // offsets of the texts added, room for the STRING capacity
    uint32_t* nested;  // offsets of the nested records
    unsigned int nestedRoom;
};

namespace {

void FreeWriterState(ResultWriterState* state)
{
    if (!state)
        return;
    FreeHeapBlock(state->buffer);
    FreeHeapBlock(state->nested);
    FreeHeapBlock(state->texts);
    FreeHeapBlock(state);
}

ResultWriterState* CreateWriterState(const unsigned* capacities)
{
    uint64_t fixedSize = FixedSize(capacities);
    unsigned textCapacity = capacities[kSectionCount];
    if (fixedSize > UINT32_MAX || size_t(textCapacity) > SIZE_MAX / sizeof(uint32_t))
        return nullptr;
    auto* state = static_cast<ResultWriterState*>(HeapAllocZero(sizeof(ResultWriterState)));
    if (!state)
        return nullptr;
    state->buffer = static_cast<unsigned char*>(HeapAllocZero(size_t(fixedSize)));
    state->room = size_t(fixedSize);
    if (textCapacity)
        state->texts = static_cast<uint32_t*>(HeapAllocZero(textCapacity * sizeof(uint32_t)));
    if (!state->buffer || (textCapacity && !state->texts)) {
        FreeWriterState(state);
        return nullptr;
    }
    WriteWord(state->buffer, kWordTotal, unsigned(fixedSize));
    for (unsigned k = 0; k <= kSectionCount; ++k)
        WriteWord(state->buffer, kWordFirstCapacity + k, capacities[k]);
    WriteWord(state->buffer, kWordNested, 0);
    uint32_t at = kHeaderSize;
    for (unsigned k = 0; k < kSectionCount; ++k) {
        state->sections[k] = capacities[k] ? at : 0;
        at += kSlotWidth[k] * capacities[k];
    }
    return state;
}

// Room for `needed` bytes in all: half as much again as the room so far (appending n records
// then costs O(n) in all), or exactly what is needed when the heap cannot give that much.
bool Reserve(ResultWriterState* state, size_t needed)
{
    if (needed <= state->room)
        return true;
    size_t wanted = state->room + state->room / 2;
    if (wanted < state->room || wanted < needed)
        wanted = needed;
    void* grown = HeapReAllocZero(state->buffer, wanted);
    if (!grown && wanted > needed) {
        wanted = needed;
        grown = HeapReAllocZero(state->buffer, wanted);
    }
    if (!grown)
        return false;
    state->buffer = static_cast<unsigned char*>(grown);
    state->room = wanted;
    return true;
}

// Appends bytes at the end of the record and counts them in its total size. The source may
// lie inside the record itself. Returns the offset they were written at, 0 on failure.
uint32_t AppendBytes(ResultWriterState* state, const void* source, unsigned length)
{
    unsigned total = ReadWord(state->buffer, kWordTotal);
    if (length > UINT32_MAX - total)
        return 0;
    uintptr_t from = reinterpret_cast<uintptr_t>(source);
    uintptr_t begin = reinterpret_cast<uintptr_t>(state->buffer);
    bool inside = from >= begin && from < begin + total;
    size_t offset = inside ? from - begin : 0;
    if (!Reserve(state, size_t(total) + length))
        return 0;
    const void* bytes = inside ? state->buffer + offset : source;
    memmove(state->buffer + total, bytes, length);
    WriteWord(state->buffer, kWordTotal, total + length);
    return total;
}

void ReportOverflow(int index, unsigned size, int value)
{
    printf("ERROR: udcw_add: type:  I32 Index: %d Size: %d Value: %d", index, int(size), value);
}

void ReportOverflow(int index, unsigned size, unsigned value)
{
    printf("ERROR: udcw_add: type: UI32 Index: %d Size: %d Value: %u", index, int(size), value);
}

void ReportOverflow(int index, unsigned size, long long value)
{
    printf("ERROR: udcw_add: type:  I64 Index: %d Size: %d Value: %lld", index, int(size), value);
}

void ReportOverflow(int index, unsigned size, unsigned long long value)
{
    printf("ERROR: udcw_add: type: UI64 Index: %d Size: %d Value: %llu", index, int(size), value);
}

void ReportOverflow(int index, unsigned size, double value)
{
    printf("ERROR: udcw_add: type:  D64 Index: %d Size: %d Value: %f", index, int(size), value);
}

void ReportOverflow(int index, unsigned size, const char* value)
{
    printf("ERROR: udcw_add: type: STRING Index: %d Size: %d Value: %s", index, int(size), value);
}

template <typename T>
bool AddFixed(ResultWriterState* state, ValueKind kind, T value)
{
    if (!state)
        return false;
    unsigned k = kind - KIND_I32;
    unsigned capacity = ReadWord(state->buffer, kWordFirstCapacity + k);
    unsigned count = state->counts[k];
    if (!state->sections[k] || count >= capacity) {
        ReportOverflow(int(count), capacity, value);
        fflush(stdout);
        return false;
    }
    memcpy(state->buffer + state->sections[k] + size_t(count) * sizeof(T), &value, sizeof(T));
    state->counts[k] = count + 1;
    return true;
}

bool AddText(ResultWriterState* state, const char* text)
{
    if (!state || !text || !*text)
        return false;
    unsigned capacity = ReadWord(state->buffer, kWordTextCapacity);
    if (state->textCount >= capacity) {
        ReportOverflow(int(state->textCount), capacity, text);
        fflush(stdout);
        return false;
    }
    // Texts precede nested records; a text after one would break the layout.
    if (ReadWord(state->buffer, kWordNested) != 0)
        return false;
    size_t length = strlen(text) + 1;
    if (length > UINT32_MAX)
        return false;
    uint32_t at = AppendBytes(state, text, unsigned(length));
    if (!at)
        return false;
    state->texts[state->textCount++] = at;
    return true;
}

bool AddNested(ResultWriterState* state, const unsigned char* record)
{
    if (!state || !record)
        return false;
    unsigned size = ReadWord(record, kWordTotal);
    if (size < kHeaderSize || size < FixedSizeOfRecord(record))
        return false;
    unsigned count = ReadWord(state->buffer, kWordNested);
    if (count == UINT32_MAX)
        return false;
    if (count >= state->nestedRoom) {
        unsigned room = state->nestedRoom ? state->nestedRoom : 4;
        while (room <= count && room <= UINT32_MAX / 2)
            room *= 2;
        if (room <= count || size_t(room) > SIZE_MAX / sizeof(uint32_t))
            return false;
        void* list = HeapReAllocZero(state->nested, size_t(room) * sizeof(uint32_t));
        if (!list)
            return false;
        state->nested = static_cast<uint32_t*>(list);
        state->nestedRoom = room;
    }
    uint32_t at = AppendBytes(state, record, size);
    if (!at)
        return false;
    state->nested[count] = at;
    WriteWord(state->buffer, kWordNested, count + 1);
    return true;
}

}  // namespace

// The object crosses the DLL edge: six capacities and the writer-state pointer, nothing more.
static_assert(sizeof(CMonResult2) == 6 * sizeof(unsigned int) + sizeof(void*),
              "CMonResult2 layout changed");

CMonResult2::CMonResult2() : m_Capacity{}, m_State(nullptr)
{
}

CMonResult2::~CMonResult2()
{
    FreeWriterState(m_State);
}

bool CMonResult2::create(unsigned int i32Count, unsigned int ui32Count, unsigned int i64Count,
                         unsigned int ui64Count, unsigned int d64Count, unsigned int textCount)
{
    const unsigned capacities[6] = {i32Count, ui32Count, i64Count, ui64Count, d64Count, textCount};
    memcpy(m_Capacity, capacities, sizeof(m_Capacity));
    FreeWriterState(m_State);
    m_State = CreateWriterState(m_Capacity);
    return m_State != nullptr;
}

bool CMonResult2::init(unsigned int resultType, unsigned int testId, unsigned int locationId)
{
    return add(static_cast<__int64>(SecondsSince1970())) && add(resultType) && add(testId) &&
           add(locationId);
}

bool CMonResult2::reset()
{
    FreeWriterState(m_State);
    m_State = CreateWriterState(m_Capacity);
    return m_State != nullptr;
}

bool CMonResult2::add(int value)
{
    return AddFixed(m_State, KIND_I32, value);
}

bool CMonResult2::add(unsigned int value)
{
    return AddFixed(m_State, KIND_UI32, value);
}

bool CMonResult2::add(__int64 value)
{
    return AddFixed(m_State, KIND_I64, static_cast<long long>(value));
}

bool CMonResult2::add(unsigned __int64 value)
{
    return AddFixed(m_State, KIND_UI64, static_cast<unsigned long long>(value));
}

bool CMonResult2::add(double value)
{
    return AddFixed(m_State, KIND_D64, value);
}

bool CMonResult2::add(char* text)
{
    return AddText(m_State, text && *text ? text : kNotAvailable);
}

bool CMonResult2::add(wchar_t* text)
{
    if (!text || !*text)
        return AddText(m_State, kNotAvailable);
    int size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return false;
    char* narrow = static_cast<char*>(HeapAllocZero(size_t(size)));
    if (!narrow)
        return false;
    bool added = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, narrow, size, nullptr,
                                     nullptr) == size &&
                 AddText(m_State, narrow);
    FreeHeapBlock(narrow);
    return added;
}

bool CMonResult2::add(void* record)
{
    return AddNested(m_State, static_cast<const unsigned char*>(record));
}

bool CMonResult2::add(CMonResult2* record)
{
    if (!record || !record->m_State)
        return false;
    return AddNested(m_State, record->m_State->buffer);
}

bool CMonResult2::get(char** bytes, unsigned int* size)
{
    if (!m_State || !bytes || !size)
        return false;
    unsigned total = ReadWord(m_State->buffer, kWordTotal);
    char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, total));
    if (!copy)
        return false;
    memcpy(copy, m_State->buffer, total);
    *bytes = copy;
    *size = total;
    return true;
}

const char* CMonResult2::get_pointer()
{
    return m_State ? reinterpret_cast<const char*>(m_State->buffer) : nullptr;
}

unsigned int CMonResult2::get_size()
{
    return m_State ? ReadWord(m_State->buffer, kWordTotal) : 0;
}
