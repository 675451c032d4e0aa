// Splitting a text into fields at a separator. No platform calls: the parsers built on it are
// also built natively on the build machine, for fuzzing.
#pragma once

#include <string_view>
#include <vector>

// The fields of `text` between separators, as views into it: empty fields between two
// separators are kept, a trailing separator adds none, an empty text has no fields.
std::vector<std::string_view> SplitFields(std::string_view text, char separator);
