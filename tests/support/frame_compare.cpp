// Frames of different sizes side by side, for the tests and benchmarks of the show at a scale.
#include "tests/support/frame_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

RgbPicture AverageDown(const RgbPicture& frame, int32_t factor) {
    RgbPicture out{frame.width / factor, frame.height / factor, {}};
    std::vector<int32_t> sums(static_cast<size_t>(out.width) * out.height * 3, 0);
    for (int32_t y = 0; y < out.height * factor; ++y)
        for (int32_t x = 0; x < out.width * factor; ++x)
            for (int c = 0; c < 3; ++c)
                sums[(static_cast<size_t>(y / factor) * out.width + x / factor) * 3 + c] +=
                    frame.rgb[(static_cast<size_t>(y) * frame.width + x) * 3 + c];
    const int32_t count = factor * factor;
    out.rgb.resize(sums.size());
    for (size_t i = 0; i < sums.size(); ++i) out.rgb[i] = static_cast<uint8_t>((sums[i] + count / 2) / count);
    return out;
}

RgbPicture EnlargeBilinear(const RgbPicture& frame, int32_t factor) {
    RgbPicture out{frame.width * factor, frame.height * factor, {}};
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    auto at = [&frame](int32_t x, int32_t y, int c) -> double {
        x = std::clamp(x, 0, frame.width - 1);
        y = std::clamp(y, 0, frame.height - 1);
        return frame.rgb[(static_cast<size_t>(y) * frame.width + x) * 3 + c];
    };
    for (int32_t y = 0; y < out.height; ++y) {
        const double sy = (y + 0.5) / factor - 0.5;
        const auto y0 = static_cast<int32_t>(std::floor(sy));
        const double fy = sy - y0;
        for (int32_t x = 0; x < out.width; ++x) {
            const double sx = (x + 0.5) / factor - 0.5;
            const auto x0 = static_cast<int32_t>(std::floor(sx));
            const double fx = sx - x0;
            for (int c = 0; c < 3; ++c) {
                const double top = at(x0, y0, c) * (1 - fx) + at(x0 + 1, y0, c) * fx;
                const double bottom = at(x0, y0 + 1, c) * (1 - fx) + at(x0 + 1, y0 + 1, c) * fx;
                out.rgb[(static_cast<size_t>(y) * out.width + x) * 3 + c] =
                    static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
            }
        }
    }
    return out;
}

FrameDifference CompareFrames(const RgbPicture& a, const RgbPicture& b) {
    FrameDifference d;
    size_t far = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const int32_t difference = std::abs(int32_t{a.rgb[i]} - int32_t{b.rgb[i]});
        d.mean += difference;
        d.most = std::max(d.most, difference);
        if (difference > 64) ++far;
    }
    d.mean /= static_cast<double>(a.rgb.size());
    d.overQuarter = static_cast<double>(far) / static_cast<double>(a.rgb.size());
    return d;
}

double GradientEnergy(const RgbPicture& frame, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    auto luma = [&frame](int32_t x, int32_t y) {
        const uint8_t* p = &frame.rgb[(static_cast<size_t>(y) * frame.width + x) * 3];
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    };
    double sum = 0;
    int64_t count = 0;
    for (int32_t y = top; y + 1 < bottom; ++y)
        for (int32_t x = left; x + 1 < right; ++x) {
            const double gx = luma(x + 1, y) - luma(x, y), gy = luma(x, y + 1) - luma(x, y);
            sum += gx * gx + gy * gy;
            ++count;
        }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}
