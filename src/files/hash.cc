// Hash: MD5 digests of text, written in hexadecimal.
#include "files/hash.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace corvel {

namespace {

// MD5 as RFC 1321 gives it. Scripts hash short texts one after another, so
// the digest is computed here, with no library to load and no state to clear
// beyond the stack frame: the whole cost is the 64 steps of each block.
constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a,
    0xa8304613, 0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be,
    0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340,
    0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8,
    0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c,
    0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92,
    0xffeff47d, 0x85845dd1, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1,
    0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShifts[4][4] = {
    {7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr std::size_t kBlock = 64;

using State = std::array<std::uint32_t, 4>;

std::uint32_t wordAt(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) |
         static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 |
         static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Step `I` of the 64, on the state rotated so that `a` is the word it changes.
template <int I>
void step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
          const std::uint32_t (&words)[16]) {
  constexpr int kRound = I / 16;
  std::uint32_t mixed;
  int word;
  if constexpr (kRound == 0) {
    mixed = (b & c) | (~b & d);
    word = I;
  } else if constexpr (kRound == 1) {
    mixed = (b & d) | (c & ~d);
    word = (5 * I + 1) % 16;
  } else if constexpr (kRound == 2) {
    mixed = b ^ c ^ d;
    word = (3 * I + 5) % 16;
  } else {
    mixed = c ^ (b | ~d);
    word = (7 * I) % 16;
  }
  a = b +
      std::rotl(a + mixed + kSines[I] + words[word], kShifts[kRound][I % 4]);
}

template <int... I>
void steps(State& state, const std::uint32_t (&words)[16],
           std::integer_sequence<int, I...>) {
  std::uint32_t& a = state[0];
  std::uint32_t& b = state[1];
  std::uint32_t& c = state[2];
  std::uint32_t& d = state[3];
  // Each step changes one word, the one after the previous step's, going
  // round a, d, c, b.
  auto one = [&](auto index) {
    constexpr int kStep = decltype(index)::value;
    switch (kStep % 4) {
      case 0:
        step<kStep>(a, b, c, d, words);
        break;
      case 1:
        step<kStep>(d, a, b, c, words);
        break;
      case 2:
        step<kStep>(c, d, a, b, words);
        break;
      default:
        step<kStep>(b, c, d, a, words);
        break;
    }
  };
  (one(std::integral_constant<int, I>()), ...);
}

void compress(State& state, const unsigned char* block) {
  std::uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = wordAt(block + 4 * i);
  State before = state;
  steps(state, words, std::make_integer_sequence<int, 64>());
  for (std::size_t i = 0; i < 4; ++i) state[i] += before[i];
}

State digest(std::string_view text) {
  State state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t whole = text.size() / kBlock * kBlock;
  for (std::size_t at = 0; at < whole; at += kBlock)
    compress(state, bytes + at);
  // The rest, a 1 bit, zeros, and the length in bits: one block or two.
  unsigned char tail[2 * kBlock];
  std::size_t rest = text.size() - whole;
  std::size_t size = rest + 1 + 8 <= kBlock ? kBlock : 2 * kBlock;
  std::memset(tail, 0, size);
  if (rest > 0) std::memcpy(tail, bytes + whole, rest);
  tail[rest] = 0x80;
  std::uint64_t bits = static_cast<std::uint64_t>(text.size()) * 8;
  for (std::size_t i = 0; i < 8; ++i)
    tail[size - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
  for (std::size_t at = 0; at < size; at += kBlock) compress(state, tail + at);
  return state;
}

}  // namespace

void Hash::md5(std::string_view text, char (&out)[kDigits]) const {
  // The two digits of every byte.
  static constexpr std::array<char, 512> kPairs = [] {
    constexpr char kHex[] = "0123456789abcdef";
    std::array<char, 512> pairs{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
      pairs[2 * byte] = kHex[byte >> 4];
      pairs[2 * byte + 1] = kHex[byte & 0xF];
    }
    return pairs;
  }();
  State state = digest(text);
  for (std::size_t i = 0; i < kDigits / 2; ++i) {
    std::size_t byte = (state[i / 4] >> (8 * (i % 4))) & 0xFF;
    std::memcpy(out + 2 * i, &kPairs[2 * byte], 2);
  }
}

}  // namespace corvel
