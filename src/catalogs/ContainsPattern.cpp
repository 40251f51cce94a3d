#include "catalogs/ContainsPattern.h"

#include "db/SpanishText.h"

std::string ContainsPattern(std::string_view text) {
    const std::string folded = SpanishText::fold(text);
    std::string pattern = "%";
    for (char c : folded) {
        switch (c) {
        case '*': pattern += '%'; break;
        case '?': pattern += '_'; break;
        case '%':
        case '_':
        case '\\':
            pattern += '\\';
            pattern += c;
            break;
        default: pattern += c; break;
        }
    }
    return pattern + "%";
}
