// A stand-in for the Guide Star Catalog's `gsc` program, which the INDI CCD simulator
// runs to find the stars it draws. It prints a fixed field of stars, a grid 3' apart
// around RA 75°, Dec +30° (J2000), in the catalogue's output format, limited to the
// circle the simulator asks for:
//   gsc -c RA DEC -r RADIUS_ARCMIN -m 0 LIMIT -n COUNT

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kCentreRa = 75.0;
constexpr double kCentreDec = 30.0;
constexpr double kSpacing = 0.05; // degrees
constexpr int kHalfWidth = 30;    // grid points each side of the centre
constexpr double kPi = 3.14159265358979323846;

double argumentAfter(int argc, char** argv, const char* flag, int offset, double fallback)
{
    for (int i = 1; i + offset < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return std::atof(argv[i + offset]);
    return fallback;
}

// Angular distance in degrees.
double distance(double ra1, double dec1, double ra2, double dec2)
{
    const double r = kPi / 180;
    const double c = std::sin(dec1 * r) * std::sin(dec2 * r) +
                     std::cos(dec1 * r) * std::cos(dec2 * r) * std::cos((ra1 - ra2) * r);
    return std::acos(std::fmax(-1.0, std::fmin(1.0, c))) / r;
}

} // namespace

int main(int argc, char** argv)
{
    const double ra = argumentAfter(argc, argv, "-c", 1, kCentreRa);
    const double dec = argumentAfter(argc, argv, "-c", 2, kCentreDec);
    const double radius = argumentAfter(argc, argv, "-r", 1, 1e6) / 60.0;
    int number = 0;
    for (int i = -kHalfWidth; i <= kHalfWidth; ++i)
        for (int j = -kHalfWidth; j <= kHalfWidth; ++j) {
            const double starRa = kCentreRa + i * kSpacing;
            const double starDec = kCentreDec + j * kSpacing;
            ++number;
            if (distance(ra, dec, starRa, starDec) > radius)
                continue;
            const double magnitude = 6.0 + ((i * 7 + j * 3) % 5 + 5) % 5;
            char id[16];
            std::snprintf(id, sizeof id, "V%d", number);
            std::printf("%10s %f %f %f %f %f %d %d %4s %2s %f %d\n", id, starRa, starDec, 0.2, magnitude, 0.2, 0, 0,
                        "VLMR", "0", 0.0, 0);
        }
    return 0;
}
