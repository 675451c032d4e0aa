// The bounds of one upgrade download. An agent installation is a few MiB: a body beyond the
// size, or a download that goes on beyond the time, is no upgrade and is given up.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>

struct DownloadLimits {
    size_t maxBytes;
    ULONGLONG maxMilliseconds;  // from the start of the request to the body's end
};

constexpr DownloadLimits kDownloadLimits{64u * 1024 * 1024, 10ull * 60 * 1000};

// Once `bytes` of the body have come in after `elapsed` milliseconds: 0 while the download
// may go on, else the error code that ends it (ERROR_FILE_TOO_LARGE, ERROR_INTERNET_TIMEOUT).
DWORD DownloadLimitError(size_t bytes, ULONGLONG elapsed, const DownloadLimits& limits);
