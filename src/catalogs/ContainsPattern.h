#pragma once

#include <string>
#include <string_view>

// The operator's search text as a LIKE pattern (with ESCAPE '\') over fold() of a column: folded
// as the column is (case and accents ignored), found anywhere in it. "*" and "?" keep the meaning
// they had for the old engine (any run, any one character); "%", "_" and "\" are plain characters.
std::string ContainsPattern(std::string_view text);
