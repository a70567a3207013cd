#include "tools/imagegen/sky_textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace imagegen {

const char *const sky_face_names[SKY_FACE_COUNT] = {"front", "right", "back", "left", "top", "bottom"};

namespace {

struct v3 {
    double x, y, z;
};

struct face_frame {
    v3 o, u, v;
};

const face_frame frames[SKY_FACE_COUNT] = {
    {{-1, -1, -1}, {2, 0, 0}, {0, 0, 2}}, {{1, -1, -1}, {0, 2, 0}, {0, 0, 2}},
    {{1, 1, -1}, {-2, 0, 0}, {0, 0, 2}},  {{-1, 1, -1}, {0, -2, 0}, {0, 0, 2}},
    {{-1, -1, 1}, {2, 0, 0}, {0, 2, 0}},  {{-1, 1, -1}, {2, 0, 0}, {0, -2, 0}},
};

double lattice(int x, int y, int z)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + (uint32_t)z * 2147483647u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (double)((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise in 0..1, continuous everywhere.
double noise(double x, double y, double z)
{
    const int ix = (int)std::floor(x), iy = (int)std::floor(y), iz = (int)std::floor(z);
    const double fx = smooth(x - ix), fy = smooth(y - iy), fz = smooth(z - iz);
    double layer[2];
    for (int k = 0; k < 2; ++k) {
        const double a = lattice(ix, iy, iz + k) + (lattice(ix + 1, iy, iz + k) - lattice(ix, iy, iz + k)) * fx;
        const double b =
            lattice(ix, iy + 1, iz + k) + (lattice(ix + 1, iy + 1, iz + k) - lattice(ix, iy + 1, iz + k)) * fx;
        layer[k] = a + (b - a) * fy;
    }
    return layer[0] + (layer[1] - layer[0]) * fz;
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

uint32_t sky_colour(const v3 &d)
{
    const double e = d.z; // sine of the elevation
    double r, g, b;
    if (e >= 0.0) {
        const double t = std::pow(e, 0.6);
        r = mix(205, 45, t);
        g = mix(222, 95, t);
        b = mix(240, 185, t);
        double cloud = 0.0, amplitude = 0.5, scale = 3.0;
        for (int octave = 0; octave < 4; ++octave, amplitude *= 0.5, scale *= 2.0)
            cloud += amplitude * noise(d.x * scale + 11.0, d.y * scale + 7.0, d.z * scale + 3.0);
        cloud = std::clamp((cloud - 0.5) * 3.0, 0.0, 1.0) * std::min(1.0, e * 6.0);
        r = mix(r, 250, cloud * 0.85);
        g = mix(g, 250, cloud * 0.85);
        b = mix(b, 252, cloud * 0.85);
    } else {
        // From the horizon's colour into a dark green haze.
        const double t = smooth(std::min(1.0, -e * 2.5));
        r = mix(205, 70, t);
        g = mix(222, 85, t);
        b = mix(240, 70, t);
    }
    auto byte = [](double c) { return (uint32_t)std::clamp((int)std::lround(c), 0, 255); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

uint32_t space_colour(const v3 &d)
{
    // The band: strongest along the great circle z = 0.4 y, fading out within about 25 degrees.
    const double band = std::exp(-std::pow((d.z - 0.4 * d.y) / 0.35, 2.0));
    const double cloud = noise(d.x * 4.0 + 5.0, d.y * 4.0 + 9.0, d.z * 4.0 + 1.0);
    const double glow = band * (0.4 + 0.6 * cloud);
    double r = mix(6, 70, glow), g = mix(8, 30, glow), b = mix(24, 95, glow);
    // Stars: about one lattice cell in seventy, brighter the higher its hash.
    const double cells = 160.0;
    const int ix = (int)std::floor(d.x * cells), iy = (int)std::floor(d.y * cells), iz = (int)std::floor(d.z * cells);
    const double h = lattice(ix + 1000, iy + 2000, iz + 3000);
    if (h > 0.985) {
        const double light = (h - 0.985) / 0.015;
        r = mix(r, 255, 0.5 + 0.5 * light);
        g = mix(g, 250, 0.5 + 0.5 * light);
        b = mix(b, 235, 0.5 + 0.5 * light);
    }
    auto byte = [](double c) { return (uint32_t)std::clamp((int)std::lround(c), 0, 255); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

} // namespace

picture render_sky_face(int face, int size, sky_kind kind)
{
    if (face < 0 || face >= SKY_FACE_COUNT || size < 1)
        throw std::runtime_error("render_sky_face: no such face or size");
    const face_frame &f = frames[face];
    picture p(size, size);
    for (int y = 0; y < size; ++y) {
        const double t = 1.0 - (y + 0.5) / size;
        for (int x = 0; x < size; ++x) {
            const double s = (x + 0.5) / size;
            v3 d{f.o.x + s * f.u.x + t * f.v.x, f.o.y + s * f.u.y + t * f.v.y, f.o.z + s * f.u.z + t * f.v.z};
            const double l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            d = {d.x / l, d.y / l, d.z / l};
            p.set(x, y, kind == sky_kind::space ? space_colour(d) : sky_colour(d));
        }
    }
    return p;
}

picture render_spark(int size)
{
    picture p(size, size, 0xFFFFFF, 0);
    const double c = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double r = std::hypot(x + 0.5 - c, y + 0.5 - c) / c;
            // A solid core, then a soft edge.
            const double a = r < 0.35 ? 1.0 : std::pow(std::clamp((1.0 - r) / 0.65, 0.0, 1.0), 2.0);
            p.set(x, y, 0xFFFFFF, (uint8_t)std::lround(255.0 * a));
        }
    }
    return p;
}

} // namespace imagegen
