#pragma once

#include <string>

// The lower-case hexadecimal MD5 digest of a text's bytes (32 characters), as stored for the
// registered password.
bool Md5Hex(const char* text, std::string& out);
