// The nonces of the requests the engine has sent, each live for a bounded time.
// An answer counts only when it echoes a live nonce. Not thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <unordered_map>

namespace nrcore {

enum class RequestKind { Broadcast, Poll, Specific };

class NonceBook {
public:
    using Clock = std::chrono::steady_clock;

    // capacity: how many requests are remembered at most; the oldest is forgotten first.
    NonceBook(Clock::duration lifetime, std::size_t capacity);

    void Add(std::uint64_t nonce, RequestKind kind, Clock::time_point sentAt);
    // The kind of the request, or nothing for an unknown, forgotten or expired nonce.
    std::optional<RequestKind> Find(std::uint64_t nonce, Clock::time_point now) const;

private:
    struct Request {
        RequestKind kind;
        Clock::time_point sentAt;
    };

    Clock::duration m_lifetime;
    std::size_t m_capacity;
    std::deque<std::uint64_t> m_order;
    std::unordered_map<std::uint64_t, Request> m_requests;
};

}  // namespace nrcore
