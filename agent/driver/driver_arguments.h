// Command-line texts of the driver programs as the engine takes them.
#pragma once

#include <string>

// A wide argument as a UTF-8 text ("" when it cannot be converted).
std::string NarrowArgument(const wchar_t* text);
