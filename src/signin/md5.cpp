#include "signin/md5.h"

#include <cstring>

namespace {

constexpr std::array<uint32_t, 64> kSine = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr std::array<int, 16> kShift = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

constexpr uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t readLittleEndian(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void writeLittleEndian(uint32_t value, uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The block function: four rounds of sixteen steps on a copy of the block's
// words, which is wiped afterwards.
void transform(std::array<uint32_t, 4>& state, const uint8_t* block)
{
    std::array<uint32_t, 16> words;
    for (int i = 0; i < 16; ++i)
        words[i] = readLittleEndian(block + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        switch (i / 16) {
        case 0: f = (b & c) | (~b & d); g = i; break;
        case 1: f = (d & b) | (~d & c); g = (5 * i + 1) % 16; break;
        case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
        default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
        }
        const uint32_t rotated = rotateLeft(a + f + kSine[i] + words[g], kShift[(i / 16) * 4 + i % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    SecureWipe(words.data(), sizeof words);
}

} // namespace

void SecureWipe(void* memory, size_t size)
{
    volatile auto* p = static_cast<volatile uint8_t*>(memory);
    while (size--)
        *p++ = 0;
}

void MD5Init(MD5Context& context)
{
    SecureWipe(&context, sizeof context);
    context.state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
}

void MD5Update(MD5Context& context, const uint8_t* bytes, size_t count)
{
    size_t used = (context.count[0] >> 3) & 0x3F;
    const uint64_t bits = (uint64_t(context.count[1]) << 32 | context.count[0]) + (uint64_t(count) << 3);
    context.count[0] = static_cast<uint32_t>(bits);
    context.count[1] = static_cast<uint32_t>(bits >> 32);

    while (count > 0) {
        const size_t take = std::min(count, size_t(64) - used);
        std::memcpy(context.buffer.data() + used, bytes, take);
        used += take;
        bytes += take;
        count -= take;
        if (used == 64) {
            transform(context.state, context.buffer.data());
            used = 0;
        }
    }
}

MD5Digest MD5Final(MD5Context& context)
{
    std::array<uint8_t, 8> length;
    writeLittleEndian(context.count[0], length.data());
    writeLittleEndian(context.count[1], length.data() + 4);

    const size_t used = (context.count[0] >> 3) & 0x3F;
    const size_t padding = used < 56 ? 56 - used : 120 - used;
    std::array<uint8_t, 64> tail{};
    tail[0] = 0x80;
    MD5Update(context, tail.data(), padding);
    MD5Update(context, length.data(), length.size());

    MD5Digest digest;
    for (int i = 0; i < 4; ++i)
        writeLittleEndian(context.state[i], digest.data() + 4 * i);
    SecureWipe(&context, sizeof context);
    return digest;
}

MD5Digest MD5OfBuffer(const uint8_t* bytes, size_t count)
{
    MD5Context context;
    MD5Init(context);
    MD5Update(context, bytes, count);
    return MD5Final(context);
}

MD5Digest MD5OfText(const std::string& text)
{
    return MD5OfBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string DigestToHex(const MD5Digest& digest)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(32);
    for (const uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}
