#include "command_code.h"

#include <cstring>

bool MatchCommandCode(const char* line, const char* codes)
{
    if (!line || !codes)
        return false;
    size_t codesLength = strlen(codes);
    if (strlen(line) < 3 || codesLength < 3)
        return false;
    for (size_t at = 0; at < codesLength; at += 3) {
        if (strncmp(line, codes + at, 3) == 0)
            return true;
    }
    return false;
}
