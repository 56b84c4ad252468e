// The memory budget of the decodes running at once: a share that does not fit waits for
// another to be given back, one too big for the whole budget runs alone, and a JPEG
// decode gives its share back however it ends.
#include "loading/DecodeBudget.h"
#include "JpegEncode.h"
#include "loading/JpegDecoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace folivex {
namespace {

void WaitUntilWaiting(const DecodeBudget& budget, int count) {
    while (budget.Waiting() < count)
        std::this_thread::yield();
}

TEST(DecodeBudget, ASharePastTheBudgetWaitsForOneToBeGivenBack) {
    DecodeBudget budget(100);
    DecodeBudget::Grant first = budget.Acquire(60);
    DecodeBudget::Grant second = budget.Acquire(40); // fits exactly
    std::atomic<bool> granted{false};
    std::thread third([&] {
        DecodeBudget::Grant g = budget.Acquire(30);
        granted = true;
    });
    WaitUntilWaiting(budget, 1);
    EXPECT_FALSE(granted);
    second.Release();
    third.join();
    EXPECT_TRUE(granted);
    EXPECT_EQ(budget.InUse(), 60u);

    // Larger than the whole budget: it waits for the others, then runs alone.
    std::thread huge([&] { DecodeBudget::Grant g = budget.Acquire(500); });
    WaitUntilWaiting(budget, 1);
    first = DecodeBudget::Grant();
    huge.join();
    EXPECT_EQ(budget.InUse(), 0u);
}

TEST(DecodeBudget, AJpegDecodeGivesItsShareBackAlsoWhenItFails) {
    const std::vector<std::uint8_t> jpeg = test::EncodeJpeg(test::Gradient(64, 48));
    std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() / 2));
    EXPECT_EQ(DecodeJpeg(jpeg).width, 64);
    EXPECT_THROW(DecodeJpeg(cut), Error);
    EXPECT_EQ(DecodeBudget::Shared().InUse(), 0u);
}

} // namespace
} // namespace folivex
