// Tests of the area-averaging reduction: the known small results, and exact agreement
// with a slow reference for odd, tiny and very large reductions.
#include "loading/ZoomOut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

namespace folivex {
namespace {

Bitmap24 RandomPicture(int width, int height, unsigned seed) {
    Bitmap24 picture(width, height);
    std::mt19937 random(seed);
    for (auto& byte : picture.pixels) {
        byte = std::uint8_t(random());
    }
    return picture;
}

Bitmap24 Filled(int width, int height, std::uint8_t value) {
    Bitmap24 picture(width, height);
    std::fill(picture.pixels.begin(), picture.pixels.end(), value);
    return picture;
}

// A row (or column) of grey pixels.
Bitmap24 Grey(const std::vector<std::uint8_t>& values, bool across) {
    const int n = int(values.size());
    Bitmap24 picture(across ? n : 1, across ? 1 : n);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            picture.pixels[std::size_t(i) * 3 + c] = values[std::size_t(i)];
        }
    }
    return picture;
}

std::vector<std::uint8_t> BlueChannel(const Bitmap24& picture) {
    std::vector<std::uint8_t> values;
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) {
        values.push_back(picture.pixels[i]);
    }
    return values;
}

// The reduction written the slow way: every destination value looks at every source
// value and weighs it by the overlap of the two intervals, with the interval ends taken
// in floating point and cut to 1/65536 as the filter defines them; 64-bit sums.
std::vector<std::uint8_t> ReferenceLine(const std::vector<std::uint8_t>& line, int from, int to) {
    auto edge = [&](std::int64_t i) {
        const double x = double(i * from) / to;
        return std::int64_t(std::trunc(x)) * 65536 +
               std::int64_t(std::trunc((x - std::trunc(x)) * 65536));
    };
    const auto a = std::int64_t(std::trunc(from * 65536.0 / to + 0.5));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(to));
    for (int j = 0; j < to; ++j) {
        const std::int64_t begin = edge(j), end = edge(j + 1);
        std::int64_t sum = 0;
        for (std::int64_t k = begin / 65536; k * 65536 < end; ++k) {
            const std::int64_t overlap =
                std::min(end, (k + 1) * 65536) - std::max(begin, k * 65536);
            if (overlap > 0) {
                sum += overlap * line[std::size_t(k)];
            }
        }
        out[std::size_t(j)] = std::uint8_t(sum / a);
    }
    return out;
}

Bitmap24 ReferenceWidth(const Bitmap24& source, int width) {
    Bitmap24 out(width, source.height);
    for (int y = 0; y < source.height; ++y) {
        for (int c = 0; c < 3; ++c) {
            std::vector<std::uint8_t> line;
            for (int x = 0; x < source.width; ++x) {
                line.push_back(source.row(y)[x * 3 + c]);
            }
            const auto reduced = ReferenceLine(line, source.width, width);
            for (int x = 0; x < width; ++x) {
                out.row(y)[x * 3 + c] = reduced[std::size_t(x)];
            }
        }
    }
    return out;
}

Bitmap24 ReferenceHeight(const Bitmap24& source, int height) {
    Bitmap24 out(source.width, height);
    for (int x = 0; x < source.width * 3; ++x) {
        std::vector<std::uint8_t> line;
        for (int y = 0; y < source.height; ++y) {
            line.push_back(source.row(y)[x]);
        }
        const auto reduced = ReferenceLine(line, source.height, height);
        for (int y = 0; y < height; ++y) {
            out.row(y)[x] = reduced[std::size_t(y)];
        }
    }
    return out;
}

void ExpectSame(const Bitmap24& expected, const Bitmap24& actual) {
    ASSERT_EQ(expected.width, actual.width);
    ASSERT_EQ(expected.height, actual.height);
    for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
        ASSERT_EQ(int(expected.pixels[i]), int(actual.pixels[i])) << "byte " << i;
    }
}

TEST(ZoomOutTest, KnownRowsAcrossAndDown) {
    const std::vector<std::uint8_t> row = {10, 20, 30, 40};
    for (bool across : {true, false}) {
        const Bitmap24 source = Grey(row, across);
        Bitmap24 half = Grey({0, 0}, across);
        Bitmap24 third = Grey({0, 0, 0}, across);
        if (across) {
            ShrinkWidth(source, half);
            ShrinkWidth(source, third);
        } else {
            ShrinkHeight(source, half);
            ShrinkHeight(source, third);
        }
        EXPECT_EQ(BlueChannel(half), (std::vector<std::uint8_t>{15, 35}));
        EXPECT_EQ(BlueChannel(third), (std::vector<std::uint8_t>{12, 24, 37}));
    }
}

TEST(ZoomOutTest, ChannelsStayApart) {
    Bitmap24 source(4, 1);
    source.pixels = {10, 100, 200, 20, 110, 210, 30, 120, 220, 40, 130, 230};
    Bitmap24 half(2, 1);
    ShrinkWidth(source, half);
    EXPECT_EQ(half.pixels, (std::vector<std::uint8_t>{15, 105, 205, 35, 125, 225}));
}

TEST(ZoomOutTest, FactorOneAndEqualSizesCopy) {
    const Bitmap24 source = RandomPicture(37, 23, 1);
    Bitmap24 zoomed = source;
    ZoomOutBitmap(zoomed, 1.0);
    ExpectSame(source, zoomed);
    Bitmap24 across(37, 23), down(37, 23);
    ShrinkWidth(source, across);
    ShrinkHeight(source, down);
    ExpectSame(source, across);
    ExpectSame(source, down);
}

struct Reduction {
    int width, height, newWidth, newHeight;
};

TEST(ZoomOutTest, PassesMatchReference) {
    const Reduction cases[] = {{4, 4, 3, 3},       {7, 5, 3, 2},     {13, 11, 1, 1},
                               {1, 9, 1, 4},       {9, 1, 4, 1},     {100, 3, 7, 3},
                               {3, 100, 3, 7},     {97, 61, 96, 60}, {256, 200, 255, 1},
                               {641, 479, 43, 32}, {300, 2, 2, 1},   {1000, 7, 3, 5}};
    unsigned seed = 10;
    for (const Reduction& r : cases) {
        SCOPED_TRACE(testing::Message()
                     << r.width << "x" << r.height << " -> " << r.newWidth << "x" << r.newHeight);
        const Bitmap24 source = RandomPicture(r.width, r.height, ++seed);
        Bitmap24 across(r.newWidth, r.height), down(r.width, r.newHeight);
        ShrinkWidth(source, across);
        ShrinkHeight(source, down);
        ExpectSame(ReferenceWidth(source, r.newWidth), across);
        ExpectSame(ReferenceHeight(source, r.newHeight), down);
    }
}

TEST(ZoomOutTest, ZoomOutIsAcrossThenDown) {
    const struct {
        int width, height;
        double factor;
    } cases[] = {{640, 480, 0.36}, {479, 641, 0.5}, {31, 17, 0.999}, {6, 4, 0.34},
                 {200, 3, 0.25},   {1, 50, 0.1},    {50, 1, 0.02}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " * " << c.factor);
        const Bitmap24 source = RandomPicture(c.width, c.height, unsigned(c.width));
        const int newWidth = int(c.width * c.factor), newHeight = int(c.height * c.factor);
        Bitmap24 zoomed = source;
        ZoomOutBitmap(zoomed, c.factor);
        ExpectSame(ReferenceHeight(ReferenceWidth(source, newWidth), newHeight), zoomed);
    }
}

// Random sizes and factors against the slow reference: spans of every length, short and
// longer than the scaler reads at once, ending anywhere in the row, including at its end.
TEST(ZoomOutTest, RandomSizesAndFactorsMatchReference) {
    std::mt19937 random(2024);
    for (int round = 0; round < 150; ++round) {
        const int width = 1 + int(random() % 700), height = 1 + int(random() % 40);
        const double factor = double(random() % 100001) / 100000.0;
        SCOPED_TRACE(testing::Message() << width << "x" << height << " * " << factor);
        const Bitmap24 source = RandomPicture(width, height, unsigned(round));
        const int newWidth = int(width * factor), newHeight = int(height * factor);
        Bitmap24 zoomed = source;
        ZoomOutBitmap(zoomed, factor);
        if (newWidth == 0 || newHeight == 0) {
            EXPECT_TRUE(zoomed.pixels.empty());
            continue;
        }
        ExpectSame(ReferenceHeight(ReferenceWidth(source, newWidth), newHeight), zoomed);
        if (HasFailure()) {
            return;
        }
    }
}

// A picture whose last row ends at the end of its storage: the widest reads must stay
// inside it (the sanitizer build checks), with every width from one to the source's.
TEST(ZoomOutTest, EveryWidthOfOneRow) {
    const Bitmap24 source = RandomPicture(67, 1, 9);
    for (int width = 1; width <= 67; ++width) {
        SCOPED_TRACE(width);
        Bitmap24 across(width, 1);
        ShrinkWidth(source, across);
        ExpectSame(ReferenceWidth(source, width), across);
    }
}

// One destination pixel covering tens of thousands of source pixels would overflow
// 32-bit sums; the averages must still be right.
TEST(ZoomOutTest, HugeReductionsAverageCorrectly) {
    Bitmap24 white = Filled(33000, 300, 255); // 300 x 300 source pixels per result pixel
    ZoomOutBitmap(white, 1.0 / 300.0);
    ASSERT_EQ(white.width, 110);
    ASSERT_EQ(white.height, 1);
    EXPECT_EQ(white.pixels, std::vector<std::uint8_t>(330, 255));

    Bitmap24 wide(3, 2);
    ShrinkWidth(Filled(40000, 2, 255), wide);
    EXPECT_EQ(wide.pixels, std::vector<std::uint8_t>(18, 255));
    Bitmap24 tall(2, 3);
    ShrinkHeight(Filled(2, 40000, 255), tall);
    EXPECT_EQ(tall.pixels, std::vector<std::uint8_t>(18, 255));

    const Bitmap24 noise = RandomPicture(70001, 1, 5);
    Bitmap24 one(1, 1), three(3, 1);
    ShrinkWidth(noise, one);
    ShrinkWidth(noise, three);
    ExpectSame(ReferenceWidth(noise, 1), one);
    ExpectSame(ReferenceWidth(noise, 3), three);
    EXPECT_NEAR(one.pixels[0], 127, 2); // the mean of uniform noise

    Bitmap24 square = Filled(300, 300, 200);
    ZoomOutBitmap(square, 1.0 / 300.0);
    ASSERT_EQ(square.width, 1);
    EXPECT_EQ(square.pixels, (std::vector<std::uint8_t>{200, 200, 200}));
}

TEST(ZoomOutTest, ZeroSizesAndEmptyPictures) {
    Bitmap24 empty;
    ZoomOutBitmap(empty, 0.5);
    EXPECT_TRUE(empty.empty());

    Bitmap24 tiny = RandomPicture(5, 3, 2);
    ZoomOutBitmap(tiny, 0.25); // 1 x 0
    EXPECT_EQ(tiny.width, 1);
    EXPECT_EQ(tiny.height, 0);
    EXPECT_TRUE(tiny.pixels.empty());

    Bitmap24 none = RandomPicture(5, 3, 2);
    ZoomOutBitmap(none, 0.0);
    EXPECT_TRUE(none.empty());
}

TEST(ZoomOutTest, RefusesEnlargementAndMismatchedSizes) {
    Bitmap24 picture = RandomPicture(8, 8, 3);
    for (double factor : {1.5, -0.1, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(ZoomOutBitmap(picture, factor), std::invalid_argument) << factor;
    }
    Bitmap24 wider(9, 8), shorter(4, 7), taller(8, 9);
    EXPECT_THROW(ShrinkWidth(picture, wider), std::invalid_argument);
    EXPECT_THROW(ShrinkWidth(picture, shorter), std::invalid_argument);
    EXPECT_THROW(ShrinkHeight(picture, taller), std::invalid_argument);
    Bitmap24 broken(8, 8);
    broken.pixels.resize(10);
    EXPECT_THROW(ZoomOutBitmap(broken, 0.5), std::invalid_argument);
}

} // namespace
} // namespace folivex
