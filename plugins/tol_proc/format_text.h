// FormatText: printf into a std::string, as long as the text needs.
#pragma once

#include <string>

#ifdef __GNUC__
__attribute__((format(printf, 1, 2)))
#endif
std::string FormatText(const char* format, ...);
