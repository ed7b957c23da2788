#include "halftone.h"

#include <array>

namespace {

// Threshold of rank r among n cells: the middle of its share of 0..255, so
// that level 0 gives all black and 255 all white.
constexpr BYTE Threshold(int rank, int cells)
{
    return static_cast<BYTE>((2 * rank + 1) * 255 / (2 * cells) + 1);
}

template <int N> constexpr std::array<BYTE, N * N> FromRanks(const int (&ranks)[N * N])
{
    std::array<BYTE, N * N> out{};
    for (int i = 0; i < N * N; ++i)
        out[i] = Threshold(ranks[i], N * N);
    return out;
}

// Dispersed dots (Bayer) of side n, built by the usual recursion.
template <int N> constexpr std::array<BYTE, N * N> Bayer()
{
    int ranks[N * N] = {};
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            // The coarsest quadrant gives the lowest digit (base 4) of the rank.
            int rank = 0;
            for (int bit = N / 2, weight = 1; bit >= 1; bit /= 2, weight *= 4) {
                const int bx = (x & bit) != 0, by = (y & bit) != 0;
                rank += weight * (2 * (bx ^ by) + by);
            }
            ranks[y * N + x] = rank;
        }
    return FromRanks<N>(ranks);
}

constexpr int kClusteredRanks4[16] = {
    12, 5, 6, 13,
    4, 0, 1, 7,
    11, 3, 2, 8,
    15, 10, 9, 14,
};
constexpr int kClusteredRanks6[36] = {
    34, 25, 21, 17, 29, 33,
    30, 13, 9, 5, 12, 24,
    18, 6, 1, 0, 8, 20,
    22, 10, 2, 3, 4, 16,
    26, 14, 7, 11, 15, 28,
    35, 31, 19, 23, 27, 32,
};
constexpr int kLineRanks4[16] = {
    0, 0, 0, 0,
    2, 2, 2, 2,
    3, 3, 3, 3,
    1, 1, 1, 1,
};
constexpr int kDiagonalRanks4[16] = {
    0, 1, 2, 3,
    1, 2, 3, 0,
    2, 3, 0, 1,
    3, 0, 1, 2,
};

constexpr auto kBayer2 = Bayer<2>();
constexpr auto kBayer4 = Bayer<4>();
constexpr auto kBayer8 = Bayer<8>();
constexpr auto kClustered4 = FromRanks<4>(kClusteredRanks4);
constexpr auto kClustered6 = FromRanks<6>(kClusteredRanks6);
// Lines and diagonals have four ranks over sixteen cells: four levels of gray.
constexpr std::array<BYTE, 16> Quarter(const int (&ranks)[16])
{
    std::array<BYTE, 16> out{};
    for (int i = 0; i < 16; ++i)
        out[i] = Threshold(ranks[i], 4);
    return out;
}
constexpr auto kLines4 = Quarter(kLineRanks4);
constexpr auto kDiagonal4 = Quarter(kDiagonalRanks4);

constexpr HalftonePattern kPatterns[] = {
    {4, kBayer4.data()},      // 0: fine dispersed dots
    {2, kBayer2.data()},      // 1: coarse dispersed dots
    {4, kBayer4.data()},      // 2: dispersed dots
    {8, kBayer8.data()},      // 3: very fine dispersed dots
    {4, kClustered4.data()},  // 4: small clustered dots
    {6, kClustered6.data()},  // 5: large clustered dots
    {4, kLines4.data()},      // 6: line screen
    {4, kDiagonal4.data()},   // 7: diagonal screen
};

} // namespace

HalftonePattern PatternForCode(BYTE code)
{
    return kPatterns[code % (sizeof kPatterns / sizeof kPatterns[0])];
}
