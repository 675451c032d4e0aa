#include "text_numbers.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

int ReadDecimalInt(const char* text)
{
    long long value = ReadDecimalInt64(text);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

long long ReadDecimalInt64(const char* text)
{
    if (!text)
        return 0;
    return strtoll(text, nullptr, 10);  // clamps to the range and reads 0 where there is no number
}

double ReadDecimalNumber(const char* text)
{
    if (!text)
        return 0.0;
    const char* p = text;
    while (*p && isspace(static_cast<unsigned char>(*p)))
        ++p;
    std::string number;
    if (*p == '+' || *p == '-')
        number += *p++;
    bool digits = false;
    for (; IsDigit(*p); ++p, digits = true)
        number += *p;
    if (*p == '.') {
        number += *p++;
        for (; IsDigit(*p); ++p, digits = true)
            number += *p;
    }
    if (!digits)
        return 0.0;
    return strtod(number.c_str(), nullptr);
}
