// Reads one value from an INI file with the rules of the Windows profile functions
// (GetPrivateProfileStringA), for hosts that do not have them.
#pragma once

#include <cstddef>

// The white space the profile functions trim around names and values: C's isspace
// plus 0x1A, the old end-of-file mark.
bool IsProfileBlank(char c);

// Looks key up in section of the INI text (length bytes). Copies the value, or
// defaultValue when the section or key is missing, into out (outSize >= 1 bytes, cut
// to fit, always NUL-terminated) and returns the bytes copied.
size_t LookupProfileString(const char* text, size_t length, const char* section,
                           const char* key, const char* defaultValue, char* out,
                           size_t outSize);

// The same for a file; a missing or unreadable file gives defaultValue. The file is
// read PROFILE_READ_SIZE bytes at a time, into one static buffer (so one call at a
// time), and no further than the line that answers.
constexpr size_t PROFILE_READ_SIZE = 1 << 14;
size_t ReadProfileString(const char* iniPath, const char* section, const char* key,
                         const char* defaultValue, char* out, size_t outSize);
