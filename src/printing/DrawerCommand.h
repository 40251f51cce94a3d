#pragma once

#include <string>
#include <string_view>

// The bytes of a printer command typed as decimal values ("27,112,0,25,250"): tokens separated
// by any of , . - + * / and blanks (line breaks and tabs count as blanks, since the setting is
// typed in a multi-line box); runs of separators count as one. Each token gives the value of its
// leading digits (0 when it has none) in its low 8 bits. Zero bytes are kept.
std::string DrawerCommandBytes(std::string_view command);
