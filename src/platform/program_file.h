#pragma once
// Whether a file can be a program for this system: the self-update installs a
// download only when it passes, so that an error page, a portal's login page or
// a cut-off file never takes the place of the program.
#include <cstdint>
#include <string>

namespace platform {

// Plausible sizes of a program file.
inline constexpr std::uintmax_t kSmallestProgramSize = 16 * 1024;
inline constexpr std::uintmax_t kLargestProgramSize = std::uintmax_t(1) << 30;

// True when the file's size lies between kSmallestProgramSize and
// kLargestProgramSize, it starts with this system's executable header and its
// layout fits in it (peLayoutFits on Windows, elfLayoutFits elsewhere):
// - Windows: "MZ", at the offset stored at 0x3C the signature "PE\0\0", and a
//   file header marking an executable image, not a DLL;
// - elsewhere: an ELF header of an executable (or position-independent
//   executable) with the running program's word size, byte order and machine.
bool looksLikeProgram(const std::string& path);

// Whether a PE file (a Windows program) is whole: the DOS header, the PE
// headers, the section table, every section's raw data, the COFF symbol and
// string tables and the certificate table, where the headers name them, all
// lie within the file. Bytes after them are allowed. A file cut short anywhere
// in those parts fails.
bool peLayoutFits(const std::string& path);

// Whether an ELF file (32 or 64 bits, either byte order) is whole: the ELF
// header, the program header table and every segment's file part, the section
// header table and every section that occupies file space, all lie within the
// file. Bytes after them are allowed.
bool elfLayoutFits(const std::string& path);

} // namespace platform
