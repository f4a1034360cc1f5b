#pragma once
// MD5 as RFC 1321 defines it. Every intermediate state is wiped when it is no
// longer needed, so no part of a digested password stays in memory.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct MD5Context {
    std::array<uint32_t, 4> state;  // A, B, C, D
    std::array<uint32_t, 2> count;  // bits taken in so far, low word first
    std::array<uint8_t, 64> buffer; // not yet processed tail of the message
};

using MD5Digest = std::array<uint8_t, 16>;

void MD5Init(MD5Context& context);
void MD5Update(MD5Context& context, const uint8_t* bytes, size_t count);
MD5Digest MD5Final(MD5Context& context);

MD5Digest MD5OfBuffer(const uint8_t* bytes, size_t count);
// The text's 8-bit characters, one byte each, no terminator.
MD5Digest MD5OfText(const std::string& text);
// 32 upper-case hexadecimal digits, high digit first.
std::string DigestToHex(const MD5Digest& digest);

// Overwrites memory with zeros in a way the compiler may not drop.
void SecureWipe(void* memory, size_t size);
