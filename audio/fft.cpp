#include "audio/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

std::size_t next_power_of_two(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

Fft::Fft(std::size_t size) : n_(next_power_of_two(size < 2 ? 2 : size)) {
    cos_.resize(n_ / 2);
    sin_.resize(n_ / 2);
    for (std::size_t k = 0; k < n_ / 2; ++k) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n_);
        cos_[k] = std::cos(angle);
        sin_[k] = std::sin(angle);
    }
    reversed_.resize(n_);
    unsigned bits = 0;
    while ((std::size_t{1} << bits) < n_) ++bits;
    for (std::size_t k = 0; k < n_; ++k) {
        std::uint32_t r = 0;
        for (unsigned b = 0; b < bits; ++b) r |= static_cast<std::uint32_t>((k >> b) & 1) << (bits - 1 - b);
        reversed_[k] = r;
    }
}

void Fft::transform(double* re, double* im, bool inverse) const {
    for (std::size_t k = 0; k < n_; ++k) {
        const std::size_t r = reversed_[k];
        if (r > k) {
            std::swap(re[k], re[r]);
            std::swap(im[k], im[r]);
        }
    }
    const double sign = inverse ? -1.0 : 1.0;
    for (std::size_t half = 1; half < n_; half <<= 1) {
        const std::size_t step = n_ / (2 * half);
        for (std::size_t start = 0; start < n_; start += 2 * half) {
            for (std::size_t j = 0; j < half; ++j) {
                const double wr = cos_[j * step], wi = sign * sin_[j * step];
                const std::size_t a = start + j, b = a + half;
                const double tr = re[b] * wr - im[b] * wi;
                const double ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
    }
}

Real_Fft::Real_Fft(std::size_t size) : half_(next_power_of_two(size < 4 ? 4 : size) / 2) {
    const std::size_t n = 2 * half_.size();
    re_.resize(n / 2);
    im_.resize(n / 2);
    cos_.resize(n / 2);
    sin_.resize(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        cos_[k] = std::cos(angle);
        sin_[k] = std::sin(angle);
    }
}

void Real_Fft::power(const double* x, double* power) {
    const std::size_t m = half_.size();
    // Even samples as the real part, odd ones as the imaginary part.
    for (std::size_t j = 0; j < m; ++j) {
        re_[j] = x[2 * j];
        im_[j] = x[2 * j + 1];
    }
    half_.transform(re_.data(), im_.data());
    // X[k] = E[k] + w^k O[k], where E and O are the spectra of the even and odd samples.
    power[0] = (re_[0] + im_[0]) * (re_[0] + im_[0]);
    power[m] = (re_[0] - im_[0]) * (re_[0] - im_[0]);
    for (std::size_t k = 1; k < m; ++k) {
        const double zr = re_[k], zi = im_[k], cr = re_[m - k], ci = -im_[m - k];  // Z[k], conj Z[m-k]
        const double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
        const double or_ = 0.5 * (zi - ci), oi = -0.5 * (zr - cr);
        const double xr = er + cos_[k] * or_ - sin_[k] * oi;
        const double xi = ei + cos_[k] * oi + sin_[k] * or_;
        power[k] = xr * xr + xi * xi;
    }
}
