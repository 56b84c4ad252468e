#include "loading/DecodeBudget.h"

#include <algorithm>
#include <utility>

namespace folivex {

DecodeBudget& DecodeBudget::Shared() {
    static DecodeBudget* budget = new DecodeBudget; // never destroyed: workers may end late
    return *budget;
}

DecodeBudget::Grant& DecodeBudget::Grant::operator=(Grant&& other) noexcept {
    if (this != &other) {
        Release();
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

void DecodeBudget::Grant::Release() {
    if (budget_)
        std::exchange(budget_, nullptr)->GiveBack(std::exchange(bytes_, 0));
}

DecodeBudget::Grant DecodeBudget::Acquire(std::size_t bytes) {
    std::unique_lock lock(mutex_);
    ++waiting_;
    freed_.wait(lock,
                [&] { return holders_ == 0 || bytes <= capacity_ - std::min(inUse_, capacity_); });
    --waiting_;
    inUse_ += bytes;
    ++holders_;
    return Grant(this, bytes);
}

void DecodeBudget::GiveBack(std::size_t bytes) {
    {
        const std::lock_guard lock(mutex_);
        inUse_ -= bytes;
        --holders_;
    }
    freed_.notify_all();
}

std::size_t DecodeBudget::InUse() const {
    const std::lock_guard lock(mutex_);
    return inUse_;
}

int DecodeBudget::Waiting() const {
    const std::lock_guard lock(mutex_);
    return waiting_;
}

} // namespace folivex
