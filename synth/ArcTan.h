#pragma once
// Arc tangent for the triangle shapes: a double-precision kernel within one unit in the last
// place of the C library's, and cheaper, because the triangle modulation takes one per sample.
#include <cmath>

namespace quavril {

namespace arctan_detail {
// atan at 0.5, 1, 1.5 and infinity, each in two parts.
inline constexpr double High[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                                  9.82793723247329054082e-01, 1.57079632679489655800e+00};
inline constexpr double Low[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                                 1.39033110312309984516e-17, 6.12323399573676603587e-17};
// Odd polynomial of atan on [-7/16, 7/16].
inline constexpr double T[] = {
    3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
    -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
    6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
    -3.65315727442169155270e-02, 1.62858201153657823623e-02};
} // namespace arctan_detail

inline double ArcTan(double x) {
    using namespace arctan_detail;
    const bool negative = std::signbit(x);
    double a = std::fabs(x);
    if (!(a < 7.3786976294838206464e19)) { // 2^66 and beyond, or NaN
        if (std::isnan(x))
            return x;
        const double r = High[3] + Low[3];
        return negative ? -r : r;
    }
    // Reduce to |a| < 7/16 around one of the points 0, 0.5, 1, 1.5 or infinity.
    int point;
    if (a < 0.4375) {
        if (a < 7.450580596923828125e-9) // 2^-27: atan x = x
            return x;
        point = -1;
    } else if (a < 1.1875) {
        if (a < 0.6875) {
            point = 0;
            a = (2.0 * a - 1.0) / (2.0 + a);
        } else {
            point = 1;
            a = (a - 1.0) / (a + 1.0);
        }
    } else if (a < 2.4375) {
        point = 2;
        a = (a - 1.5) / (1.0 + 1.5 * a);
    } else {
        point = 3;
        a = -1.0 / a;
    }
    const double z = a * a;
    const double w = z * z;
    const double s1 = z * (T[0] + w * (T[2] + w * (T[4] + w * (T[6] + w * (T[8] + w * T[10])))));
    const double s2 = w * (T[1] + w * (T[3] + w * (T[5] + w * (T[7] + w * T[9]))));
    double r;
    if (point < 0)
        r = a - a * (s1 + s2);
    else
        r = High[point] - ((a * (s1 + s2) - Low[point]) - a);
    return negative ? -r : r;
}

} // namespace quavril
