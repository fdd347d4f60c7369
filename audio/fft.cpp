#include "audio/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

// e^(-2 pi i k/n) for k < n/2.
void twiddles(std::size_t n, std::vector<double>& cos_part, std::vector<double>& sin_part) {
    cos_part.resize(n / 2);
    sin_part.resize(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const double angle = -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        cos_part[k] = std::cos(angle);
        sin_part[k] = std::sin(angle);
    }
}

}  // namespace

std::size_t next_power_of_two(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

Fft::Fft(std::size_t size) : n_(next_power_of_two(size < 2 ? 2 : size)) {
    twiddles(n_, cos_, sin_);
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
    twiddles(n, cos_, sin_);
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

Correlator::Correlator(const std::vector<double>& v, std::size_t size)
    : fft_(std::max(size, v.size())), v_re_(fft_.size(), 0.0), v_im_(fft_.size(), 0.0) {
    std::copy(v.begin(), v.end(), v_re_.begin());
    fft_.transform(v_re_.data(), v_im_.data());
}

void Correlator::correlate(std::vector<double>& a, std::vector<double>& b) {
    const std::size_t n = fft_.size();
    re_.assign(n, 0.0);
    im_.assign(n, 0.0);
    std::copy(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(std::min(n, a.size())), re_.begin());
    std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min(n, b.size())), im_.begin());
    fft_.transform(re_.data(), im_.data());
    // One transform of a + ib holds both spectra: A[k] = (Z[k] + conj Z[n-k]) / 2 and
    // B[k] = (Z[k] - conj Z[n-k]) / 2i. P = conj(A) V and Q = conj(B) V are joined as P + iQ,
    // whose inverse holds the two (real) correlations as its real and imaginary parts.
    const auto product = [](double sr, double si, double vr, double vi) {
        return std::pair<double, double>{sr * vr + si * vi, sr * vi - si * vr};  // conj(s) v
    };
    for (std::size_t k = 0; k <= n / 2; ++k) {
        const std::size_t m = (n - k) % n;
        const double zr = re_[k], zi = im_[k], cr = re_[m], ci = -im_[m];
        const double ar = 0.5 * (zr + cr), ai = 0.5 * (zi + ci);
        const double br = 0.5 * (zi - ci), bi = -0.5 * (zr - cr);
        const auto [pr, pi] = product(ar, ai, v_re_[k], v_im_[k]);
        const auto [qr, qi] = product(br, bi, v_re_[k], v_im_[k]);
        re_[k] = pr - qi;
        im_[k] = pi + qr;
        if (m != k) {
            // At n - k the spectra of the real a and b are the conjugates of theirs at k.
            const auto [pr2, pi2] = product(ar, -ai, v_re_[m], v_im_[m]);
            const auto [qr2, qi2] = product(br, -bi, v_re_[m], v_im_[m]);
            re_[m] = pr2 - qi2;
            im_[m] = pi2 + qr2;
        }
    }
    fft_.transform(re_.data(), im_.data(), true);
    const double scale = 1.0 / static_cast<double>(n);
    a.resize(n);
    b.resize(n);
    for (std::size_t d = 0; d < n; ++d) {
        a[d] = re_[d] * scale;
        b[d] = im_[d] * scale;
    }
}
