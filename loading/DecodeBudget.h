// How much memory the picture decodes running at once may take between them. Pictures
// prepared ahead and the thumbnail workers each decode on a thread of their own, and
// every one of them may hold a whole picture's buffers; past the budget a decode waits
// for others to finish instead of piling up. A decode that alone needs more than the
// budget runs once nothing else holds any of it, so it waits but never forever.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace folivex {

class DecodeBudget {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t(1) << 30; // 1 GB

    explicit DecodeBudget(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}
    DecodeBudget(const DecodeBudget&) = delete;
    DecodeBudget& operator=(const DecodeBudget&) = delete;

    // The budget every decoder of the program shares.
    static DecodeBudget& Shared();

    // A share of the budget, given back when the grant goes; an empty grant holds none.
    class Grant {
    public:
        Grant() = default;
        Grant(Grant&& other) noexcept { *this = std::move(other); }
        Grant& operator=(Grant&& other) noexcept;
        ~Grant() { Release(); }
        void Release();

    private:
        friend class DecodeBudget;
        Grant(DecodeBudget* budget, std::size_t bytes) : budget_(budget), bytes_(bytes) {}
        DecodeBudget* budget_ = nullptr;
        std::size_t bytes_ = 0;
    };

    // Waits until `bytes` fit beside what others hold (or nothing else is held).
    Grant Acquire(std::size_t bytes);

    std::size_t InUse() const;
    int Waiting() const;

private:
    void GiveBack(std::size_t bytes);

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t inUse_ = 0;
    int holders_ = 0;
    int waiting_ = 0;
};

} // namespace folivex
