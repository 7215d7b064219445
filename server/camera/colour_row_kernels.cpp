#include "server/camera/colour_row_kernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VELMORA_HAVE_AVX2_KERNELS 1
#endif

namespace velmora::server {

#ifdef VELMORA_HAVE_AVX2_KERNELS
namespace {

// Eight pixels per step: two 16-byte loads, four pixels each, one per 128-bit lane.
// A load reads 16 bytes from pixel x + 4, so a step needs x + 10 <= n to stay inside
// the row's 3n bytes.
constexpr int kStep = 8;
constexpr int kReach = 10;

class Avx2RowKernels final : public ColourRowKernels {
public:
    int graying(const std::uint8_t* s, std::int32_t* out, int n, const int k[3]) const override
    {
        return grayingAvx2(s, out, n, k);
    }
    int channels(const std::uint8_t* s, int n, const int* channels, std::int32_t* const* outs, int count,
                 const int k[3]) const override
    {
        return channelsAvx2(s, n, channels, outs, count, k);
    }
    int sites(const std::uint8_t* s, std::int32_t* out, std::int32_t* alsoOut, int n, int even, int odd,
              const int k[3]) const override
    {
        return sitesAvx2(s, out, alsoOut, n, even, odd, k);
    }
    int neighbourMean(const std::int32_t* up, std::int32_t* here, const std::int32_t* down, int n, int parity,
                      bool diagonal, bool nonNegative) const override
    {
        if (nonNegative)
            return diagonal ? neighbourMeanAvx2<true, true>(up, here, down, n, parity)
                            : neighbourMeanAvx2<false, true>(up, here, down, n, parity);
        return diagonal ? neighbourMeanAvx2<true, false>(up, here, down, n, parity)
                        : neighbourMeanAvx2<false, false>(up, here, down, n, parity);
    }
    std::size_t accumulate(const std::uint8_t* bytes, std::int32_t* sums, std::size_t n) const override
    {
        return accumulateAvx2(bytes, sums, n);
    }
    std::size_t byteSum(const std::uint8_t* bytes, std::size_t n, std::uint64_t& total) const override
    {
        return byteSumAvx2(bytes, n, total);
    }
    int sum(const std::int32_t* p, int n, std::int64_t maxMagnitude, std::int64_t& total) const override
    {
        // Eight 32-bit lane sums of n / 8 values each cannot overflow below this.
        const bool narrow = maxMagnitude * (n / kStep + 1) < (std::int64_t{1} << 31);
        return narrow ? sumNarrowAvx2(p, n, total) : sumAvx2(p, n, total);
    }

private:
    // Byte shuffle that puts byte 3j + (j odd ? odd : even) of each lane into 32-bit lane j.
    __attribute__((target("avx2"))) static __m256i pick(int even, int odd)
    {
        alignas(32) std::int8_t mask[32];
        for (int lane = 0; lane < 2; ++lane) {
            for (int j = 0; j < 4; ++j) {
                std::int8_t* m = mask + 16 * lane + 4 * j;
                m[0] = static_cast<std::int8_t>(3 * j + ((j & 1) ? odd : even));
                m[1] = m[2] = m[3] = -1; // zero
            }
        }
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(mask));
    }

    __attribute__((target("avx2"))) static __m256i load(const std::uint8_t* s, int x)
    {
        return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(s + 3 * (x + 4)),
                                   reinterpret_cast<const __m128i*>(s + 3 * x));
    }

    __attribute__((target("avx2"))) static __m256i divide(__m256i v, __m256 divisor)
    {
        return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(v), divisor));
    }

    __attribute__((target("avx2"))) static int grayingAvx2(const std::uint8_t* s, std::int32_t* out, int n,
                                                           const int k[3])
    {
        const __m256i pickB = pick(0, 0), pickG = pick(1, 1), pickR = pick(2, 2);
        const __m256i kB = _mm256_set1_epi32(k[0]), kG = _mm256_set1_epi32(k[1]),
                      kR = _mm256_set1_epi32(k[2]);
        const __m256 d = _mm256_set1_ps(300.0f);
        int x = 0;
        for (; x + kReach <= n; x += kStep) {
            const __m256i v = load(s, x);
            const __m256i sum =
                _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(_mm256_shuffle_epi8(v, pickG), kG),
                                                  _mm256_mullo_epi32(_mm256_shuffle_epi8(v, pickR), kR)),
                                 _mm256_mullo_epi32(_mm256_shuffle_epi8(v, pickB), kB));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), divide(sum, d));
        }
        return x;
    }

    __attribute__((target("avx2"))) static int channelsAvx2(const std::uint8_t* s, int n, const int* channels,
                                                            std::int32_t* const* outs, int count,
                                                            const int k[3])
    {
        __m256i picks[3];
        __m256i ks[3];
        for (int i = 0; i < count; ++i) {
            picks[i] = pick(channels[i], channels[i]);
            ks[i] = _mm256_set1_epi32(k[channels[i]]);
        }
        const __m256 d = _mm256_set1_ps(100.0f);
        int x = 0;
        for (; x + kReach <= n; x += kStep) {
            const __m256i v = load(s, x);
            for (int i = 0; i < count; ++i) {
                const __m256i p = _mm256_mullo_epi32(_mm256_shuffle_epi8(v, picks[i]), ks[i]);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(outs[i] + x), divide(p, d));
            }
        }
        return x;
    }

    __attribute__((target("avx2"))) static int sitesAvx2(const std::uint8_t* s, std::int32_t* out,
                                                         std::int32_t* alsoOut, int n, int even, int odd,
                                                         const int k[3])
    {
        const __m256i p = pick(even, odd);
        const __m256i kk =
            _mm256_setr_epi32(k[even], k[odd], k[even], k[odd], k[even], k[odd], k[even], k[odd]);
        const __m256 d = _mm256_set1_ps(100.0f);
        int x = 0;
        for (; x + kReach <= n; x += kStep) {
            const __m256i v = divide(_mm256_mullo_epi32(_mm256_shuffle_epi8(load(s, x), p), kk), d);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), v);
            if (alsoOut)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(alsoOut + x), v);
        }
        return x;
    }

    // Quotient by 4 truncated toward zero, as the integer division does.
    template <bool NonNegative> __attribute__((target("avx2"))) static __m256i quarter(__m256i sum)
    {
        if constexpr (NonNegative)
            return _mm256_srai_epi32(sum, 2);
        const __m256i bias = _mm256_and_si256(_mm256_srai_epi32(sum, 31), _mm256_set1_epi32(3));
        return _mm256_srai_epi32(_mm256_add_epi32(sum, bias), 2);
    }

    __attribute__((target("avx2"))) static __m256i loadInts(const std::int32_t* p)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }

    // Eight x per step, writing only the lanes of the wanted parity (a blend keeps the
    // others, which are also the only values of `here` that the step reads). here[x - 1]
    // onwards is loaded before the previous step's store reaches it: a load overlapping
    // a store just made stalls until the store completes.
    template <bool Diagonal, bool NonNegative>
    __attribute__((target("avx2"))) static int neighbourMeanAvx2(const std::int32_t* up, std::int32_t* here,
                                                                 const std::int32_t* down, int n, int parity)
    {
        // Lane j holds x = x0 + j with x0 odd: lanes of even j have odd x.
        const __m256i keep = parity ? _mm256_setr_epi32(0, -1, 0, -1, 0, -1, 0, -1)
                                    : _mm256_setr_epi32(-1, 0, -1, 0, -1, 0, -1, 0);
        int x = 1;
        if (x + 9 > n)
            return x;
        __m256i left = loadInts(here + x - 1);
        for (; x + 9 <= n; x += kStep) {
            const __m256i old = loadInts(here + x);
            const __m256i nextLeft = loadInts(here + x + kStep - 1);
            __m256i sum;
            if constexpr (Diagonal)
                sum = _mm256_add_epi32(_mm256_add_epi32(loadInts(up + x - 1), loadInts(up + x + 1)),
                                       _mm256_add_epi32(loadInts(down + x - 1), loadInts(down + x + 1)));
            else
                sum = _mm256_add_epi32(_mm256_add_epi32(loadInts(up + x), loadInts(down + x)),
                                       _mm256_add_epi32(left, loadInts(here + x + 1)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(here + x),
                                _mm256_blendv_epi8(quarter<NonNegative>(sum), old, keep));
            left = nextLeft;
        }
        return x;
    }

    // 32 bytes per step, widened to 32 bits eight at a time.
    __attribute__((target("avx2"))) static std::size_t accumulateAvx2(const std::uint8_t* bytes,
                                                                      std::int32_t* sums, std::size_t n)
    {
        std::size_t i = 0;
        for (; i + 32 <= n; i += 32) {
            for (std::size_t part = 0; part < 32; part += 8) {
                const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i + part));
                __m256i* out = reinterpret_cast<__m256i*>(sums + i + part);
                _mm256_storeu_si256(out,
                                    _mm256_add_epi32(_mm256_loadu_si256(out), _mm256_cvtepu8_epi32(eight)));
            }
        }
        return i;
    }

    __attribute__((target("avx2"))) static std::size_t byteSumAvx2(const std::uint8_t* bytes, std::size_t n,
                                                                   std::uint64_t& total)
    {
        __m256i acc = _mm256_setzero_si256();
        std::size_t i = 0;
        for (; i + 32 <= n; i += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
            acc = _mm256_add_epi64(acc, _mm256_sad_epu8(v, _mm256_setzero_si256()));
        }
        alignas(32) std::uint64_t lanes[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
        total += lanes[0] + lanes[1] + lanes[2] + lanes[3];
        return i;
    }

    __attribute__((target("avx2"))) static int sumNarrowAvx2(const std::int32_t* p, int n,
                                                             std::int64_t& total)
    {
        __m256i acc = _mm256_setzero_si256();
        int x = 0;
        for (; x + kStep <= n; x += kStep)
            acc = _mm256_add_epi32(acc, loadInts(p + x));
        alignas(32) std::int32_t lanes[kStep];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
        for (std::int32_t lane : lanes)
            total += lane;
        return x;
    }

    __attribute__((target("avx2"))) static int sumAvx2(const std::int32_t* p, int n, std::int64_t& total)
    {
        __m256i acc = _mm256_setzero_si256();
        int x = 0;
        for (; x + kStep <= n; x += kStep) {
            const __m256i v = loadInts(p + x);
            acc = _mm256_add_epi64(acc, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(v)));
            acc = _mm256_add_epi64(acc, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(v, 1)));
        }
        alignas(32) std::int64_t lanes[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
        total += lanes[0] + lanes[1] + lanes[2] + lanes[3];
        return x;
    }
};

} // namespace
#endif

const ColourRowKernels* ColourRowKernels::forThisProcessor()
{
#ifdef VELMORA_HAVE_AVX2_KERNELS
    static const Avx2RowKernels avx2;
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported ? &avx2 : nullptr;
#else
    return nullptr;
#endif
}

} // namespace velmora::server
