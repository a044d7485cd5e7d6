// RGB captures, PPM output and the one-square check.
#include "x11_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <set>
#include <utility>

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

Image crop(const Image &image, const Rect &area)
{
    Image part;
    int left = std::max(area.x, 0), top = std::max(area.y, 0);
    int right = std::min(area.x + area.width, image.width);
    int bottom = std::min(area.y + area.height, image.height);
    if (right <= left || bottom <= top)
        return part;
    part.width = right - left;
    part.height = bottom - top;
    part.rgb.resize(static_cast<size_t>(part.width) * part.height * 3);
    for (int y = 0; y < part.height; y++)
        for (int x = 0; x < part.width; x++)
            part.set(x, y, image.at(left + x, top + y));
    return part;
}

Rect largest_region(const Image &image, const Rgb &colour, int tolerance)
{
    Rect best;
    long best_count = 0;
    std::vector<bool> seen(static_cast<size_t>(image.width) * image.height, false);
    std::vector<std::pair<int, int>> pending;
    for (int y0 = 0; y0 < image.height; y0++)
        for (int x0 = 0; x0 < image.width; x0++) {
            size_t start = static_cast<size_t>(y0) * image.width + x0;
            if (seen[start] || !near_colour(image.at(x0, y0), colour, tolerance))
                continue;
            // Flood fill from here, keeping the region's bounding box and size.
            int left = x0, right = x0, top = y0, bottom = y0;
            long count = 0;
            seen[start] = true;
            pending.assign(1, {x0, y0});
            while (!pending.empty()) {
                auto [x, y] = pending.back();
                pending.pop_back();
                count++;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                for (auto &step : steps) {
                    int nx = x + step[0], ny = y + step[1];
                    if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height)
                        continue;
                    size_t i = static_cast<size_t>(ny) * image.width + nx;
                    if (!seen[i] && near_colour(image.at(nx, ny), colour, tolerance)) {
                        seen[i] = true;
                        pending.push_back({nx, ny});
                    }
                }
            }
            if (count > best_count) {
                best_count = count;
                best = {left, top, right - left + 1, bottom - top + 1};
            }
        }
    return best;
}
