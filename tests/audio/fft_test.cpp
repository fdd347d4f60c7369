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

}  // namespace
