#include "driver_arguments.h"

#include "heap_text.h"

std::string NarrowArgument(const wchar_t* text)
{
    return Narrow(text, CP_UTF8);
}
