#include "audio/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// The transform by its definition.
void dft(const std::vector<double>& re, const std::vector<double>& im, bool inverse, std::vector<double>& out_re,
         std::vector<double>& out_im) {
    const std::size_t n = re.size();
    out_re.assign(n, 0);
    out_im.assign(n, 0);
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < n; ++j) {
            const double a = (inverse ? 2 : -2) * std::numbers::pi * static_cast<double>(j * k % n) / static_cast<double>(n);
            out_re[k] += re[j] * std::cos(a) - im[j] * std::sin(a);
            out_im[k] += re[j] * std::sin(a) + im[j] * std::cos(a);
        }
    }
}

std::vector<double> signal(std::size_t n, unsigned seed) {
    std::vector<double> x(n);
    for (std::size_t j = 0; j < n; ++j) x[j] = std::sin(0.37 * static_cast<double>(j * seed)) + 0.25 * static_cast<double>((j * 7 + seed) % 5);
    return x;
}

TEST(Fft, MatchesTheDefinition) {
    const struct { std::size_t size; bool inverse; } cases[] = {
        {2, false},    // the smallest
        {8, false},
        {64, false},
        {64, true},    // the other sign
        {256, false},  // the size of a speech frame's spectrum
    };
    for (const auto& c : cases) {
        Fft fft(c.size);
        ASSERT_EQ(fft.size(), c.size);
        std::vector<double> re = signal(c.size, 3), im = signal(c.size, 5), want_re, want_im;
        dft(re, im, c.inverse, want_re, want_im);
        fft.transform(re.data(), im.data(), c.inverse);
        for (std::size_t k = 0; k < c.size; ++k) {
            EXPECT_NEAR(re[k], want_re[k], 1e-9) << c.size << " bin " << k;
            EXPECT_NEAR(im[k], want_im[k], 1e-9) << c.size << " bin " << k;
        }
    }
    EXPECT_EQ(Fft(100).size(), 128u);  // rounded up to a power of two
}

TEST(Fft, RealPowerSpectrumMatchesTheComplexOne) {
    for (std::size_t size : {4u, 16u, 256u}) {
        Real_Fft fft(size);
        const std::vector<double> x = signal(size, 11);
        std::vector<double> power(size / 2 + 1), re, im;
        fft.power(x.data(), power.data());
        dft(x, std::vector<double>(size, 0), false, re, im);
        for (std::size_t k = 0; k <= size / 2; ++k) EXPECT_NEAR(power[k], re[k] * re[k] + im[k] * im[k], 1e-8) << size << " bin " << k;
    }
}

TEST(Fft, CorrelatesTwoSequencesAtOnce) {
    const struct { std::size_t v, a, b, size; } cases[] = {
        {16, 5, 7, 16},    // both sequences
        {16, 5, 0, 16},    // one
        {100, 30, 30, 128},  // padded to a power of two
        {3, 8, 8, 8},      // sequences longer than v
    };
    for (const auto& c : cases) {
        const std::vector<double> v = signal(c.v, 2);
        std::vector<double> a = signal(c.a, 3), b = signal(c.b, 9);
        const std::vector<double> a0 = a, b0 = b;
        Correlator correlator(v, c.size);
        ASSERT_EQ(correlator.size(), c.size);
        correlator.correlate(a, b);
        for (std::size_t d = 0; d < c.size; ++d) {
            double want_a = 0, want_b = 0;
            for (std::size_t j = 0; j < c.size; ++j) {
                const std::size_t at = (j + d) % c.size;
                const double vv = at < v.size() ? v[at] : 0.0;
                want_a += (j < a0.size() ? a0[j] : 0.0) * vv;
                want_b += (j < b0.size() ? b0[j] : 0.0) * vv;
            }
            EXPECT_NEAR(a[d], want_a, 1e-9) << c.v << " shift " << d;
            EXPECT_NEAR(b[d], want_b, 1e-9) << c.v << " shift " << d;
        }
    }
}

}  // namespace
