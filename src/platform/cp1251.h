#pragma once
// Windows-1251, the workstations' 8-bit code page. The byte-level core keeps its
// texts as std::string of these bytes; these two functions are the only bridge
// to UTF-8 (and through it to QString).
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Every byte has a Unicode counterpart (0x98, unassigned in the code page,
// maps to U+0098), so this never fails.
std::string cp1251ToUtf8(std::string_view bytes);

// nullopt when the text holds a character Windows-1251 cannot represent or is
// not valid UTF-8.
std::optional<std::string> utf8ToCp1251(std::string_view utf8);

// As a workstation converts text to its 8-bit code page: a character the code
// page cannot hold becomes '?'.
std::string utf8ToCp1251Lossy(std::string_view utf8);

// Whether the bytes hold a control character (codes below 32, and 127), the
// same in Windows-1251 and UTF-8: no one types one into a login or a
// connection value, and a zero byte ends a text early on its way.
bool hasControlCharacter(std::string_view bytes);

} // namespace platform
