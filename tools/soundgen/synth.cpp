#include "tools/soundgen/synth.h"

#include <algorithm>
#include <cmath>

namespace soundgen {

namespace {

// Equal-power panning: the centre gives each side 1/sqrt(2).
void pan_gains(double pan, double &left, double &right)
{
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * M_PI / 4.0;
    left = std::cos(angle);
    right = std::sin(angle);
}

double envelope(const voice &v, double t, double length)
{
    auto held = [&](double at) {
        if (at < v.attack)
            return at / v.attack;
        return v.sustain + (1.0 - v.sustain) * std::exp(-(at - v.attack) / std::max(v.decay, 1e-4));
    };
    if (t < length)
        return held(t);
    const double r = std::max(v.release, 1e-3);
    return held(length) * std::max(0.0, 1.0 - (t - length) / r);
}

// Second-order section in direct form I.
struct biquad
{
    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double step(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The two stages of the K-weighting filter at `rate`.
void k_weighting(int rate, biquad &shelf, biquad &high_pass)
{
    double k = std::tan(M_PI * 1681.974450955533 / rate);
    const double q = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    k = std::tan(M_PI * 38.13547087602444 / rate);
    const double q2 = 0.5003270373238773;
    a0 = 1.0 + k / q2 + k * k;
    high_pass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q2 + k * k) / a0};
}

// Loudness of channels given as planar doubles (full scale 1.0).
double loudness(const std::vector<std::vector<double>> &channels, int rate)
{
    const size_t frames = channels.empty() ? 0 : channels[0].size();
    if (frames == 0)
        return -HUGE_VAL;
    // Per channel, the K-weighted squares summed over 100 ms steps.
    const size_t step = (size_t)rate / 10;
    const size_t steps = std::max<size_t>(1, (frames + step - 1) / step);
    std::vector<double> energy(steps, 0.0);
    for (const std::vector<double> &c : channels) {
        biquad shelf, high_pass;
        k_weighting(rate, shelf, high_pass);
        for (size_t i = 0; i < frames; ++i) {
            const double z = high_pass.step(shelf.step(c[i]));
            energy[i / step] += z * z;
        }
    }
    // Blocks of four steps (400 ms) moving by one; a shorter sound is one block of itself.
    std::vector<double> blocks;
    if (steps < 4) {
        double sum = 0.0;
        for (double e : energy)
            sum += e;
        blocks.push_back(sum / (double)frames);
    } else {
        for (size_t j = 0; j + 4 <= steps; ++j) {
            const size_t first = j * step, last = std::min(frames, (j + 4) * step);
            blocks.push_back((energy[j] + energy[j + 1] + energy[j + 2] + energy[j + 3]) / (double)(last - first));
        }
    }
    auto lufs = [](double mean_square) { return -0.691 + 10.0 * std::log10(std::max(mean_square, 1e-20)); };
    auto gated_mean = [&](double gate) {
        double sum = 0.0;
        int n = 0;
        for (double b : blocks)
            if (lufs(b) > gate) {
                sum += b;
                ++n;
            }
        return n ? sum / n : 0.0;
    };
    const double absolute = gated_mean(-70.0);
    if (absolute <= 0.0)
        return -70.0;
    return lufs(gated_mean(lufs(absolute) - 10.0));
}

} // namespace

double midi_hz(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

mix::mix(int rate, double seconds, bool loop)
    : m_rate(rate), m_loop(loop), m_left((size_t)std::max(1L, std::lrint(rate * seconds)), 0.0f),
      m_right(m_left.size(), 0.0f)
{
}

void mix::add(int frame, double left, double right)
{
    const int n = frames();
    if (m_loop)
        frame = ((frame % n) + n) % n;
    else if (frame < 0 || frame >= n)
        return;
    m_left[(size_t)frame] += (float)left;
    m_right[(size_t)frame] += (float)right;
}

void mix::note(double start, double length, double hz, double amplitude, const voice &v, double pan)
{
    double gl, gr;
    pan_gains(pan, gl, gr);
    const double total = length + v.release;
    const int first = (int)std::lrint(start * m_rate);
    const int count = (int)std::lrint(total * m_rate);
    const double nyquist = m_rate * 0.45;
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = (double)i / m_rate;
        double f = hz;
        if (v.vibrato_depth > 0.0)
            f *= 1.0 + v.vibrato_depth * std::sin(2.0 * M_PI * v.vibrato_hz * t) * std::min(1.0, t / 0.3);
        if (v.glide > 0.0)
            f *= std::pow(v.glide, t / total);
        phase += 2.0 * M_PI * f / m_rate;
        if (phase > 2.0 * M_PI)
            phase -= 2.0 * M_PI;
        // sin(k x) by the Chebyshev recurrence: two trigonometric calls a frame.
        const double s1 = std::sin(phase), c2 = 2.0 * std::cos(phase);
        double previous = 0.0, current = s1, value = 0.0;
        for (size_t k = 1; k <= v.partials.size(); ++k) {
            if (f * (double)k > nyquist)
                break;
            double a = v.partials[k - 1];
            if (v.brightness_decay > 0.0 && k > 1)
                a *= std::exp(-t * (double)(k - 1) * v.brightness_decay);
            value += a * current;
            const double next = c2 * current - previous;
            previous = current;
            current = next;
        }
        const double y = value * amplitude * envelope(v, t, length);
        add(first + i, y * gl, y * gr);
    }
}

void mix::chord(double start, double length, const std::vector<double> &hz, double amplitude, const voice &v,
                double spread)
{
    for (size_t i = 0; i < hz.size(); ++i) {
        const double pan = hz.size() > 1 ? spread * (2.0 * (double)i / (double)(hz.size() - 1) - 1.0) : 0.0;
        note(start, length, hz[i], amplitude, v, pan);
    }
}

void mix::noise(double start, double length, double amplitude, const burst &b, uint32_t seed, double pan)
{
    double gl, gr;
    pan_gains(pan, gl, gr);
    const double dt = 1.0 / m_rate;
    const double high_rc = 1.0 / (2.0 * M_PI * b.low_hz), low_rc = 1.0 / (2.0 * M_PI * b.high_hz);
    const double hp = high_rc / (high_rc + dt), lp = dt / (low_rc + dt);
    const int first = (int)std::lrint(start * m_rate);
    const int count = (int)std::lrint(length * m_rate);
    const int tail = std::max(1, std::min(count, (int)std::lrint(b.release * m_rate)));
    uint32_t x = seed * 2654435761u + 12345u;
    double previous_in = 0.0, high = 0.0, low1 = 0.0, low2 = 0.0;
    for (int i = 0; i < count; ++i) {
        x = x * 1664525u + 1013904223u;
        const double white = (double)(x >> 8) / (double)(1u << 23) - 1.0;
        high = hp * (high + white - previous_in);
        previous_in = white;
        low1 += lp * (high - low1);
        low2 += lp * (low1 - low2);
        const double t = i * dt;
        double e = t < b.attack ? t / b.attack : std::exp(-(t - b.attack) / std::max(b.decay, 1e-4));
        if (i >= count - tail)
            e *= (double)(count - i) / tail;
        const double y = low2 * amplitude * e;
        add(first + i, y * gl, y * gr);
    }
}

samples mix::finish(double target_lufs, double ceiling) const
{
    const size_t n = m_left.size();
    // The gain a frame may have at most, so that it stays under the ceiling.
    std::vector<double> allowed(n);
    for (size_t i = 0; i < n; ++i) {
        const double p = std::max(std::fabs((double)m_left[i]), std::fabs((double)m_right[i]));
        allowed[i] = p > 0.0 ? ceiling / p : HUGE_VAL;
    }
    const double release = 1.0 - std::exp(-1.0 / (0.08 * m_rate));
    const double attack = 1.0 - std::exp(-1.0 / (0.002 * m_rate));
    std::vector<std::vector<double>> out(2, std::vector<double>(n));
    std::vector<double> gain(n);
    double g = 1.0;
    // Each pass sets the gain from the loudness the previous one reached: the limiter takes a
    // little off, so the gain is corrected a few times.
    for (int pass = 0; pass < 4; ++pass) {
        double e = 1.0;
        for (size_t i = 0; i < n; ++i) {
            const double limit = std::min(1.0, allowed[i] / g);
            e = std::min(limit, e + (1.0 - e) * release);
            gain[i] = e;
        }
        for (size_t i = n; i-- > 1;)
            gain[i - 1] = std::min(gain[i - 1], gain[i] + (1.0 - gain[i]) * attack);
        for (size_t i = 0; i < n; ++i) {
            out[0][i] = m_left[i] * g * gain[i];
            out[1][i] = m_right[i] * g * gain[i];
        }
        const double measured = loudness(out, m_rate);
        if (!std::isfinite(measured) || measured <= -70.0)
            break;
        g *= std::pow(10.0, (target_lufs - measured) / 20.0);
    }
    samples s(n * 2);
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 2; ++c)
            s[i * 2 + c] = (int16_t)std::lrint(std::clamp(out[c][i] * 32768.0, -32768.0, 32767.0));
    return s;
}

double integrated_loudness(const samples &s, int channels, int rate)
{
    const size_t frames = s.size() / (size_t)channels;
    std::vector<std::vector<double>> planar((size_t)channels, std::vector<double>(frames));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            planar[(size_t)c][i] = s[i * channels + c] / 32768.0;
    return loudness(planar, rate);
}

double peak_level(const samples &s)
{
    int peak = 0;
    for (int16_t v : s)
        peak = std::max(peak, std::abs((int)v));
    return peak / 32768.0;
}

} // namespace soundgen
