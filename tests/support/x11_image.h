// RGB captures and the square check for window tests. Requires: nothing beyond the standard
// library. Does not: talk to an X server (see x11_client.h) or judge anything but one square.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    int r = 0, g = 0, b = 0;
};

bool near_colour(const Rgb &a, const Rgb &b, int tolerance);
std::string to_string(const Rgb &colour);

// An 8-bit-per-channel picture, rows top to bottom.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // width * height * 3 bytes

    Rgb at(int x, int y) const;
    void set(int x, int y, const Rgb &colour);
    bool empty() const
    {
        return width == 0 || height == 0;
    }
    // Number of distinct colours in the rectangle [x, x + w) x [y, y + h), clipped.
    int distinct_colours(int x, int y, int w, int h) const;
};

// Writes a binary PPM (P6). Returns false when the file can't be written.
bool save_ppm(const Image &image, const std::string &path);

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// What a picture holds, seen as one square of `colour` on a uniform background.
struct SquareReport {
    bool ok = false;                   // one filled square, everything else background
    std::string problem;               // why not, when not ok
    Rgb background;                    // the colour of the top-left pixel
    Rect square;                       // bounding box of the pixels near `colour`
    double centre_x = 0, centre_y = 0; // the square's centre in pixels (pixel centres)
};

// The part of `image` inside `area` (clipped to the image).
Image crop(const Image &image, const Rect &area);

// The bounding box of the largest 4-connected region of pixels within `tolerance` of
// `colour`; width 0 when there is none. A render area that is drawn into its top-level's
// picture, rather than into an X window of its own, is the largest black region there.
Rect largest_region(const Image &image, const Rgb &colour, int tolerance);

// Finds the pixels within `tolerance` of `colour`, checks that they fill their bounding box
// exactly and that every other pixel is the background colour (within `tolerance`).
SquareReport find_square(const Image &image, const Rgb &colour, int tolerance);

// find_square, and then the square's placement: centred within `slack` px, side equal to
// `side_fraction` of the picture's smaller dimension within `slack` px.
SquareReport check_centred_square(const Image &image, const Rgb &colour, int tolerance,
                                  double side_fraction, double slack);
