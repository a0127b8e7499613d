// SPDX-License-Identifier: GPL-3.0-or-later
#include "RowDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace quillary {

namespace {

constexpr int kLitLenSymbols = 286;
constexpr int kDistSymbols = 30;
constexpr int kCodeLengthSymbols = 19;
constexpr size_t kMinMatch = 3, kMaxMatch = 258;
// Matches this long are taken without looking one byte further (zlib's level 6 too).
constexpr size_t kLazyBelow = 32;
constexpr size_t kWindow = 32768;
constexpr size_t kMaxStored = 65535;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

// The length code (0..28, symbol 257 + code) of each match length.
struct LengthCodes {
    std::array<uint8_t, kMaxMatch + 1> code{};
    LengthCodes() {
        for (int c = 0; c < 29; ++c)
            for (size_t len = kLengthBase[c]; len < (c == 28 ? 259u : size_t(kLengthBase[c + 1]));
                 ++len)
                code[len] = uint8_t(c);
        code[258] = 28;
    }
};
const LengthCodes kLengthCodes;

// Distance code and its extra bits for a distance of 1..32768.
struct Dist {
    int code, extraBits;
    uint32_t extra;
};
Dist DistanceCode(size_t d) {
    const uint32_t x = uint32_t(d - 1);
    if (x < 4)
        return {int(x), 0, 0};
    const int b = std::bit_width(x) - 1; // x >= 4, so b >= 2
    const int code = 2 * b + int((x >> (b - 1)) & 1);
    return {code, b - 1, x - ((2u | (uint32_t(code) & 1)) << (b - 1))};
}

// Bytes from a and b that agree, at most max.
size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t max) {
    size_t n = 0;
    while (n + 8 <= max) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y)
            return n + size_t(std::countr_zero(x ^ y) / 8); // little-endian machines
        n += 8;
    }
    while (n < max && a[n] == b[n])
        ++n;
    return n;
}

// The longest match at data[i] against a run (distance 1), the row above, the row two
// above, an equal row further up (distance same, 0 for none) and the patterns of shading
// (a few bytes back); none shorter than kMinMatch.
struct Match {
    size_t length = 0, distance = 0;
};
Match BestMatch(const uint8_t* data, size_t size, size_t i, size_t row, size_t same) {
    Match best;
    const size_t max = std::min(kMaxMatch, size - i);
    if (max < kMinMatch)
        return best;
    const size_t distances[] = {1, row, 2 * row, same, 2, 3, 4, 6, 8};
    for (const size_t d : distances) {
        if (d == 0 || d > i || d > kWindow || d == best.distance)
            continue;
        // Only a longer match counts: most candidates fail at the byte past the best (at
        // the first byte where there is none yet).
        if (data[i + best.length] != data[i + best.length - d])
            continue;
        const size_t n = MatchLength(data + i, data + i - d, max);
        if (n > best.length) {
            best = {n, d};
            if (n == max)
                break;
        }
    }
    if (best.length < kMinMatch)
        best = {};
    return best;
}

// Code lengths of a Huffman code for these frequencies, none longer than limit. Symbols
// of frequency 0 get no code. At least two symbols must be used.
void CodeLengths(const uint32_t* freq, int n, int limit, uint8_t* lengths) {
    std::array<uint32_t, kLitLenSymbols> f{};
    std::copy(freq, freq + n, f.begin());
    std::fill(lengths, lengths + n, 0);
    for (;;) {
        // Two queues: leaves by frequency, then the joined nodes in the order they are
        // made (their weights grow, so the smaller head of the two is the next smallest).
        struct Node {
            uint64_t weight;
            int parent;
        };
        std::array<Node, 2 * kLitLenSymbols> nodes{};
        std::array<int, kLitLenSymbols> leaves{};
        int leafCount = 0;
        for (int s = 0; s < n; ++s)
            if (f[size_t(s)] > 0)
                leaves[size_t(leafCount++)] = s;
        std::sort(leaves.begin(), leaves.begin() + leafCount, [&](int a, int b) {
            return f[size_t(a)] != f[size_t(b)] ? f[size_t(a)] < f[size_t(b)] : a < b;
        });
        for (int k = 0; k < leafCount; ++k)
            nodes[size_t(k)] = {f[size_t(leaves[size_t(k)])], -1};
        int nextLeaf = 0, nextJoined = leafCount, made = leafCount;
        auto take = [&] {
            if (nextLeaf < leafCount &&
                (nextJoined == made ||
                 nodes[size_t(nextLeaf)].weight <= nodes[size_t(nextJoined)].weight))
                return nextLeaf++;
            return nextJoined++;
        };
        while (made - nextJoined + (leafCount - nextLeaf) > 1) {
            const int a = take(), b = take();
            nodes[size_t(made)] = {nodes[size_t(a)].weight + nodes[size_t(b)].weight, -1};
            nodes[size_t(a)].parent = nodes[size_t(b)].parent = made;
            ++made;
        }
        // Depths: the root is the last node made, parents come after their children.
        std::array<int, 2 * kLitLenSymbols> depth{};
        int deepest = 0;
        for (int k = made - 2; k >= 0; --k) {
            depth[size_t(k)] = depth[size_t(nodes[size_t(k)].parent)] + 1;
            if (k < leafCount)
                deepest = std::max(deepest, depth[size_t(k)]);
        }
        if (deepest <= limit) {
            for (int k = 0; k < leafCount; ++k)
                lengths[leaves[size_t(k)]] = uint8_t(depth[size_t(k)]);
            return;
        }
        // Too deep: flatten the frequencies and build again (rare, and it always ends).
        for (int s = 0; s < n; ++s)
            if (f[size_t(s)] > 0)
                f[size_t(s)] = f[size_t(s)] / 2 + 1;
    }
}

// Canonical codes of these lengths, bit-reversed for writing first bit first.
void Codes(const uint8_t* lengths, int n, uint16_t* codes) {
    uint16_t count[16] = {}, next[16] = {};
    for (int s = 0; s < n; ++s)
        ++count[lengths[s]];
    count[0] = 0;
    uint16_t code = 0;
    for (int bits = 1; bits < 16; ++bits) {
        code = uint16_t((code + count[bits - 1]) << 1);
        next[bits] = code;
    }
    for (int s = 0; s < n; ++s) {
        const int len = lengths[s];
        if (len == 0)
            continue;
        uint16_t c = next[len]++, r = 0;
        for (int k = 0; k < len; ++k, c >>= 1)
            r = uint16_t(r << 1 | (c & 1));
        codes[s] = r;
    }
}

class BitWriter {
public:
    explicit BitWriter(uint8_t* out) : m_out(out) {}
    void Put(uint32_t bits, int n) {
        m_buffer |= uint64_t(bits) << m_count;
        m_count += n;
        if (m_count >= 32) {
            for (int k = 0; k < 4; ++k)
                *m_out++ = uint8_t(m_buffer >> (8 * k));
            m_buffer >>= 32;
            m_count -= 32;
        }
    }
    // Writes what is left, up to the next whole byte; returns the end.
    uint8_t* Finish() {
        while (m_count > 0) {
            *m_out++ = uint8_t(m_buffer);
            m_buffer >>= 8;
            m_count = std::max(0, m_count - 8);
        }
        return m_out;
    }

private:
    uint8_t* m_out;
    uint64_t m_buffer = 0;
    int m_count = 0;
};

// A token: a literal byte (below 256) or a match, length << 16 | distance.
constexpr uint32_t kMatchFlag = 0x80000000u;

} // namespace

size_t RowDeflate::Bound(size_t size) {
    // Never more than stored blocks: 5 bytes a block, the zlib header and checksum.
    return size + 5 * (size / kMaxStored + 1) + 6;
}

void RowDeflate::Compress(const uint8_t* data, size_t size, size_t rowBytes,
                          std::vector<uint8_t>& out) {
    thread_local std::vector<uint32_t> tokens;
    tokens.clear();
    tokens.reserve(size / 4 + 16);
    std::array<uint32_t, kLitLenSymbols> litFreq{};
    std::array<uint32_t, kDistSymbols> distFreq{};
    // Patterns, hatching and symmetric drawings repeat whole rows further up than two:
    // for each row, the distance to the nearest equal row above within the window.
    const size_t rows = rowBytes > 0 ? size / rowBytes : 0;
    thread_local std::vector<uint32_t> sameRow;
    sameRow.assign(rows + 1, 0);
    if (rows > 2 && rowBytes * 3 <= kWindow) {
        constexpr size_t kSlots = 1024;
        std::array<uint32_t, kSlots> latest{}; // row + 1 of each hash's latest row
        for (size_t r = 0; r < rows; ++r) {
            const uint8_t* row = data + r * rowBytes;
            uint64_t h = 0;
            size_t k = 0;
            for (; k + 8 <= rowBytes; k += 8) {
                uint64_t x;
                std::memcpy(&x, row + k, 8);
                h = (h ^ x) * 0x9E3779B97F4A7C15ull;
            }
            for (; k < rowBytes; ++k)
                h = (h ^ row[k]) * 0x100000001B3ull;
            uint32_t& slot = latest[(h ^ h >> 29) % kSlots];
            if (slot != 0 && (r - (slot - 1)) * rowBytes <= kWindow &&
                std::memcmp(data + (slot - 1) * rowBytes, row, rowBytes) == 0)
                sameRow[r] = uint32_t((r - (slot - 1)) * rowBytes);
            slot = uint32_t(r + 1);
        }
    }
    const uint32_t* const same = sameRow.data();
    auto sameAt = [&](size_t at) -> size_t {
        return rows > 0 ? same[std::min(at / rowBytes, rows)] : 0;
    };
    // The distances of runs and of the rows above come up all the time: their codes once.
    const Dist run = DistanceCode(1);
    const Dist up = rowBytes > 0 && rowBytes <= kWindow ? DistanceCode(rowBytes) : run;
    const Dist up2 = rowBytes > 0 && 2 * rowBytes <= kWindow ? DistanceCode(2 * rowBytes) : run;
    auto distanceCode = [&](size_t d) {
        return d == 1 ? run : d == rowBytes ? up : d == 2 * rowBytes ? up2 : DistanceCode(d);
    };
    auto bestAt = [&](size_t at) { return BestMatch(data, size, at, rowBytes, sameAt(at)); };
    // One step of lazy matching, as zlib does: a literal first when the next byte starts
    // a longer match.
    size_t i = 0;
    Match m = bestAt(0);
    while (i < size) {
        if (m.length >= kMinMatch && m.length < kLazyBelow && i + 1 < size) {
            const Match next = bestAt(i + 1);
            if (next.length > m.length + 1) {
                tokens.push_back(data[i]);
                ++litFreq[data[i]];
                ++i;
                m = next;
                continue;
            }
        }
        if (m.length >= kMinMatch) {
            tokens.push_back(kMatchFlag | uint32_t(m.length) << 16 | uint32_t(m.distance));
            ++litFreq[257 + kLengthCodes.code[m.length]];
            ++distFreq[size_t(distanceCode(m.distance).code)];
            i += m.length;
        } else {
            tokens.push_back(data[i]);
            ++litFreq[data[i]];
            ++i;
        }
        m = i < size ? bestAt(i) : Match{};
    }
    litFreq[256] = 1;
    // Readers want two codes at least in each table; unused ones cost a few header bits.
    for (int s = 0; std::count_if(litFreq.begin(), litFreq.end(), [](uint32_t f) { return f; }) < 2;
         ++s)
        litFreq[size_t(s)] = std::max<uint32_t>(litFreq[size_t(s)], 1);
    for (int s = 0;
         std::count_if(distFreq.begin(), distFreq.end(), [](uint32_t f) { return f; }) < 2; ++s)
        distFreq[size_t(s)] = std::max<uint32_t>(distFreq[size_t(s)], 1);

    uint8_t lengths[kLitLenSymbols + kDistSymbols] = {};
    CodeLengths(litFreq.data(), kLitLenSymbols, 15, lengths);
    CodeLengths(distFreq.data(), kDistSymbols, 15, lengths + kLitLenSymbols);
    int hlit = kLitLenSymbols, hdist = kDistSymbols;
    while (hlit > 257 && lengths[hlit - 1] == 0)
        --hlit;
    while (hdist > 1 && lengths[kLitLenSymbols + hdist - 1] == 0)
        --hdist;
    // The code lengths, run-length coded: symbol | extra << 8.
    uint8_t all[kLitLenSymbols + kDistSymbols];
    std::copy(lengths, lengths + hlit, all);
    std::copy(lengths + kLitLenSymbols, lengths + kLitLenSymbols + hdist, all + hlit);
    const int total = hlit + hdist;
    std::vector<uint16_t> runs;
    runs.reserve(size_t(total));
    std::array<uint32_t, kCodeLengthSymbols> clFreq{};
    auto emit = [&](int symbol, int extra) {
        runs.push_back(uint16_t(symbol | extra << 8));
        ++clFreq[size_t(symbol)];
    };
    for (int k = 0; k < total;) {
        const uint8_t v = all[k];
        int run = 1;
        while (k + run < total && all[k + run] == v)
            ++run;
        k += run;
        if (v == 0) {
            while (run >= 11) {
                const int r = std::min(run, 138);
                emit(18, r - 11);
                run -= r;
            }
            if (run >= 3) {
                emit(17, run - 3);
                run = 0;
            }
        } else {
            emit(v, 0);
            --run;
            while (run >= 3) {
                const int r = std::min(run, 6);
                emit(16, r - 3);
                run -= r;
            }
        }
        while (run-- > 0)
            emit(v, 0);
    }
    for (int s = 0; std::count_if(clFreq.begin(), clFreq.end(), [](uint32_t f) { return f; }) < 2;
         ++s)
        clFreq[size_t(s)] = std::max<uint32_t>(clFreq[size_t(s)], 1);
    uint8_t clLengths[kCodeLengthSymbols];
    CodeLengths(clFreq.data(), kCodeLengthSymbols, 7, clLengths);
    int hclen = kCodeLengthSymbols;
    while (hclen > 4 && clLengths[kCodeLengthOrder[hclen - 1]] == 0)
        --hclen;

    // The block's size in bits, to fall back on stored blocks should it not pay.
    uint64_t bits = 3 + 5 + 5 + 4 + 3 * uint64_t(hclen);
    for (const uint16_t r : runs) {
        const int s = r & 0xFF;
        bits += clLengths[s] + (s == 16 ? 2 : s == 17 ? 3 : s == 18 ? 7 : 0);
    }
    for (int s = 0; s < kLitLenSymbols; ++s)
        bits += uint64_t(litFreq[size_t(s)]) * (lengths[s] + (s > 256 ? kLengthExtra[s - 257] : 0));
    for (int s = 0; s < kDistSymbols; ++s)
        bits +=
            uint64_t(distFreq[size_t(s)]) * (lengths[kLitLenSymbols + s] + (s < 4 ? 0 : s / 2 - 1));

    // Small pictures do better with the fixed codes, which cost no table.
    uint8_t fixedLengths[288 + kDistSymbols];
    for (int sym = 0; sym < 288; ++sym)
        fixedLengths[sym] = sym < 144 ? 8 : sym < 256 ? 9 : sym < 280 ? 7 : 8;
    std::fill(fixedLengths + 288, fixedLengths + 288 + kDistSymbols, 5);
    uint64_t fixedBits = 3;
    for (int sym = 0; sym < kLitLenSymbols; ++sym)
        fixedBits += uint64_t(litFreq[size_t(sym)]) *
                     (fixedLengths[sym] + (sym > 256 ? kLengthExtra[sym - 257] : 0));
    for (int sym = 0; sym < kDistSymbols; ++sym)
        fixedBits += uint64_t(distFreq[size_t(sym)]) * (5 + (sym < 4 ? 0 : sym / 2 - 1));

    // Written into a buffer of this thread's first, so that out is never zero-filled.
    thread_local std::vector<uint8_t> scratch;
    if (scratch.size() < Bound(size))
        scratch.resize(Bound(size));
    uint8_t* o = scratch.data();
    *o++ = 0x78; // deflate, 32 KB window
    *o++ = 0x5E; // header check; "fast" compression
    // The tokens in codes of these lengths (litLen: literal/length symbols, then distances).
    auto putTokens = [&](BitWriter& w, const uint8_t* litLen, const uint16_t* codes,
                         const uint8_t* distLengths, const uint16_t* distCodes) {
        for (const uint32_t t : tokens) {
            if (!(t & kMatchFlag)) {
                w.Put(codes[t], litLen[t]);
                continue;
            }
            const size_t len = (t >> 16) & 0x1FF, dist = t & 0xFFFF;
            const int lc = kLengthCodes.code[len];
            w.Put(codes[257 + lc], litLen[257 + lc]);
            if (kLengthExtra[lc])
                w.Put(uint32_t(len - kLengthBase[lc]), kLengthExtra[lc]);
            const Dist d = distanceCode(dist);
            w.Put(distCodes[d.code], distLengths[d.code]);
            if (d.extraBits)
                w.Put(d.extra, d.extraBits);
        }
        w.Put(codes[256], litLen[256]);
    };
    if (std::min(bits, fixedBits) / 8 + 1 > size + 5 * (size / kMaxStored + 1)) {
        size_t at = 0;
        do {
            const size_t n = std::min(kMaxStored, size - at);
            *o++ = at + n == size ? 1 : 0; // BFINAL, stored
            o[0] = uint8_t(n);
            o[1] = uint8_t(n >> 8);
            o[2] = uint8_t(~n);
            o[3] = uint8_t(~n >> 8);
            o += 4;
            if (n > 0)
                std::memcpy(o, data + at, n);
            o += n;
            at += n;
        } while (at < size);
    } else if (fixedBits <= bits) {
        uint16_t codes[288 + kDistSymbols] = {};
        Codes(fixedLengths, 288, codes);
        Codes(fixedLengths + 288, kDistSymbols, codes + 288);
        BitWriter w(o);
        w.Put(1 | 1 << 1, 3); // BFINAL, fixed Huffman codes
        putTokens(w, fixedLengths, codes, fixedLengths + 288, codes + 288);
        o = w.Finish();
    } else {
        uint16_t codes[kLitLenSymbols + kDistSymbols] = {};
        Codes(lengths, kLitLenSymbols, codes);
        Codes(lengths + kLitLenSymbols, kDistSymbols, codes + kLitLenSymbols);
        uint16_t clCodes[kCodeLengthSymbols] = {};
        Codes(clLengths, kCodeLengthSymbols, clCodes);
        BitWriter w(o);
        w.Put(1 | 2 << 1, 3); // BFINAL, dynamic Huffman codes
        w.Put(uint32_t(hlit - 257), 5);
        w.Put(uint32_t(hdist - 1), 5);
        w.Put(uint32_t(hclen - 4), 4);
        for (int k = 0; k < hclen; ++k)
            w.Put(clLengths[kCodeLengthOrder[k]], 3);
        for (const uint16_t r : runs) {
            const int sym = r & 0xFF;
            w.Put(clCodes[sym], clLengths[sym]);
            if (sym >= 16)
                w.Put(uint32_t(r >> 8), sym == 16 ? 2 : sym == 17 ? 3 : 7);
        }
        putTokens(w, lengths, codes, lengths + kLitLenSymbols, codes + kLitLenSymbols);
        o = w.Finish();
    }
    // The checksum of the data, big-endian (zlib's adler32 is fast and at hand).
    uLong adler = adler32(0, nullptr, 0);
    for (size_t at = 0; at < size;) {
        const uInt n = uInt(std::min<size_t>(size - at, 1u << 30));
        adler = adler32(adler, data + at, n);
        at += n;
    }
    for (int k = 3; k >= 0; --k)
        *o++ = uint8_t(adler >> (8 * k));
    out.insert(out.end(), scratch.data(), o);
}

} // namespace quillary
