#pragma once
// A small radix-2 FFT for the audio's analysis: spectra of short frames for speech detection
// and long cross-correlations for syncing subs to speech.

#include <cstddef>
#include <cstdint>
#include <vector>

/// A complex FFT of one power-of-two size, its twiddles and bit reversal computed once.
class Fft {
public:
    /// `size` is rounded up to a power of two, at least 2.
    explicit Fft(std::size_t size);
    std::size_t size() const { return n_; }
    /// In place on `size()` real and imaginary parts: X[k] = sum x[j] e^(-+2 pi i jk/n). The
    /// inverse is not scaled by 1/n.
    void transform(double* re, double* im, bool inverse = false) const;

private:
    std::size_t n_ = 0;
    std::vector<double> cos_, sin_;  // e^(-2 pi i k/n) for k < n/2
    std::vector<std::uint32_t> reversed_;
};

/// The power spectrum of real input through a complex FFT of half its size.
class Real_Fft {
public:
    /// `size` real samples, rounded up to a power of two, at least 4.
    explicit Real_Fft(std::size_t size);
    std::size_t size() const { return 2 * half_.size(); }
    /// |X[k]|^2 for k = 0 .. size/2 into `power` (size/2 + 1 values).
    void power(const double* x, double* power);

private:
    Fft half_;
    std::vector<double> re_, im_;
    std::vector<double> cos_, sin_;  // e^(-2 pi i k/size) for k < size/2
};

/// Circular cross-correlations of real sequences with one real sequence v, two sequences to a
/// transform: c[d] = sum over j of a[j] v[(j + d) mod n].
class Correlator {
public:
    /// `v` padded with zeros to `size`, rounded up to a power of two.
    Correlator(const std::vector<double>& v, std::size_t size);
    std::size_t size() const { return fft_.size(); }
    /// `a` and `b` (at most size() values each; `b` may be empty) become their correlations
    /// with v, size() values each, d from 0.
    void correlate(std::vector<double>& a, std::vector<double>& b);

private:
    Fft fft_;
    std::vector<double> v_re_, v_im_;  // v's spectrum
    std::vector<double> re_, im_;
};

std::size_t next_power_of_two(std::size_t n);
