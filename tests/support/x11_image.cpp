// RGB captures, PPM output and the one-square check.
#include "x11_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

bool near_colour(const Rgb &a, const Rgb &b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string to_string(const Rgb &colour)
{
    return "(" + std::to_string(colour.r) + "," + std::to_string(colour.g) + "," +
           std::to_string(colour.b) + ")";
}

Rgb Image::at(int x, int y) const
{
    size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

void Image::set(int x, int y, const Rgb &colour)
{
    size_t i = (static_cast<size_t>(y) * width + x) * 3;
    rgb[i] = static_cast<uint8_t>(colour.r);
    rgb[i + 1] = static_cast<uint8_t>(colour.g);
    rgb[i + 2] = static_cast<uint8_t>(colour.b);
}

int Image::distinct_colours(int x, int y, int w, int h) const
{
    std::set<int> seen;
    for (int row = std::max(y, 0); row < std::min(y + h, height); row++)
        for (int col = std::max(x, 0); col < std::min(x + w, width); col++) {
            Rgb c = at(col, row);
            seen.insert(c.r << 16 | c.g << 8 | c.b);
        }
    return static_cast<int>(seen.size());
}

bool save_ppm(const Image &image, const std::string &path)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
    size_t written = fwrite(image.rgb.data(), 1, image.rgb.size(), file);
    return fclose(file) == 0 && written == image.rgb.size();
}

namespace
{

std::string describe(const Rect &r)
{
    return std::to_string(r.width) + "x" + std::to_string(r.height) + " at (" +
           std::to_string(r.x) + "," + std::to_string(r.y) + ")";
}

} // namespace

SquareReport find_square(const Image &image, const Rgb &colour, int tolerance)
{
    SquareReport report;
    if (image.empty()) {
        report.problem = "empty capture";
        return report;
    }
    report.background = image.at(0, 0);
    if (near_colour(report.background, colour, tolerance)) {
        report.problem = "the corner pixel already has the square's colour";
        return report;
    }

    int left = image.width, top = image.height, right = -1, bottom = -1;
    long count = 0;
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++) {
            Rgb c = image.at(x, y);
            if (near_colour(c, colour, tolerance)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                count++;
            } else if (!near_colour(c, report.background, tolerance)) {
                report.problem = "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                                 to_string(c) + ", neither the square's colour " +
                                 to_string(colour) + " nor the background " +
                                 to_string(report.background);
                return report;
            }
        }
    if (count == 0) {
        report.problem = "no pixel of the square's colour " + to_string(colour);
        return report;
    }
    report.square = {left, top, right - left + 1, bottom - top + 1};
    report.centre_x = (left + right + 1) / 2.0;
    report.centre_y = (top + bottom + 1) / 2.0;
    long box = static_cast<long>(report.square.width) * report.square.height;
    if (count != box) {
        report.problem = "the square's colour covers " + std::to_string(count) +
                         " pixels, not the whole of its bounding box " + describe(report.square) +
                         " (" + std::to_string(box) + ")";
        return report;
    }
    report.ok = true;
    return report;
}

SquareReport check_centred_square(const Image &image, const Rgb &colour, int tolerance,
                                  double side_fraction, double slack)
{
    SquareReport report = find_square(image, colour, tolerance);
    if (!report.ok)
        return report;
    double side = side_fraction * std::min(image.width, image.height);
    std::string where = "square " + describe(report.square) + " in a " +
                        std::to_string(image.width) + "x" + std::to_string(image.height) +
                        " picture";
    if (std::fabs(report.square.width - side) > slack ||
        std::fabs(report.square.height - side) > slack) {
        report.ok = false;
        report.problem = where + ": side should be " + std::to_string(side);
    } else if (std::fabs(report.centre_x - image.width / 2.0) > slack ||
               std::fabs(report.centre_y - image.height / 2.0) > slack) {
        report.ok = false;
        report.problem = where + ": not centred";
    }
    return report;
}
