#pragma once
#include <string>

// MD5 of the text's Windows-1251 bytes as 32 upper-case hexadecimal digits.
// The digest's intermediate state is wiped before it returns.
std::string PasswordDigest(const std::string& text);
