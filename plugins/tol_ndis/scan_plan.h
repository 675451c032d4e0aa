// The addresses of one range scan and their split over the scan threads: pure functions of
// the addresses (IPv4, network byte order as in in_addr).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kMaxScanAddresses = 65536;
constexpr size_t kMaxScanThreads = 32;
constexpr size_t kAddressesPerThread = 5;

// The dotted text as inet_addr reads it; false for a text inet_addr refuses (and for
// 255.255.255.255, which it cannot tell from a refusal).
bool ReadScanAddress(const char* text, uint32_t* address);

// From `start` up to, not including, `end`, in nextipaddress steps: stepping stops once an
// address reaches or passes the end (compared in host byte order), at 0.0.0.0, at
// 255.255.255.0 and after 65,536 addresses. An end at or below the start gives none.
std::vector<uint32_t> ScanAddresses(uint32_t start, uint32_t end);

struct ScanSlicing {
    size_t threads;
    size_t perThread;
};

// Five addresses a thread; above 32 threads, 32 threads sharing the addresses evenly
// (rounded up, so the last threads may get fewer or none).
ScanSlicing SliceScan(size_t addresses);

// The slice of thread `index` (0-based) under `slicing`, in stepping order.
std::vector<uint32_t> ScanSlice(const std::vector<uint32_t>& addresses, const ScanSlicing& slicing,
                                size_t index);
