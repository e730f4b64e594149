#pragma once
// File names that have broken programs before: markup and shell characters, blanks and line
// breaks, accents, CJK and emoji, and byte strings that are not UTF-8 at all (Linux allows any
// byte but '/' and NUL in a name).
#include <string>
#include <vector>

inline const std::vector<std::string>& HostileNames()
{
    static const std::vector<std::string> names {
        "/v/plain.avi",
        "/v/Anne & Bob's <best> \"day\".avi",
        "/v/&amp;&lt;&#x41;&#65; ]]> <!-- --> <![CDATA[ x ]]>.mpg",
        "/v/$HOME `id` ; rm -rf / | cat > x & y",
        "/v/line\nbreak\ttab\rreturn  two  spaces .avi",
        " /v/leading and trailing blank ",
        "/v/back\\slash\\\"quote\\",
        "/v/caf\xC3\xA9 Gr\xC3\xBC\xC3\x9F"
        "e na\xC3\xAFve \xC3\x85ngstr\xC3\xB6m.mov",
        "/v/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 "
        "\xD0\xBC\xD0\xB8\xD1\x80.mp4",
        "/v/\xF0\x9F\x8E\xAC\xF0\x9F\x98\x80 emoji \xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9.flv",
        "/v/caf\xE9 latin-1.avi",
        "/v/\x80 stray \xC0\xAF overlong \xED\xA0\x80 surrogate \xF4\x90\x80\x80 too high \xE2\x82",
        "/v/controls \x01\x02\x1B\x1F\x7F.avi",
        "/v/\xEF\xBF\xBF noncharacter \xF4\x8F\xB9\x81 carrier-range character",
        "/v/\xC2\xA0nbsp \xE2\x80\xA8line separator \xEF\xBB\xBF bom.avi",
    };
    return names;
}
