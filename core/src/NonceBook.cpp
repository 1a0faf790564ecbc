#include "NonceBook.h"

namespace nrcore {

NonceBook::NonceBook(Clock::duration lifetime, std::size_t capacity) : m_lifetime(lifetime), m_capacity(capacity) {}

void NonceBook::Add(std::uint64_t nonce, RequestKind kind, Clock::time_point sentAt)
{
    while (!m_order.empty() &&
           (m_order.size() >= m_capacity || sentAt - m_requests.at(m_order.front()).sentAt > m_lifetime)) {
        m_requests.erase(m_order.front());
        m_order.pop_front();
    }
    if (m_requests.count(nonce) != 0)
        return;
    m_requests.emplace(nonce, Request{kind, sentAt});
    m_order.push_back(nonce);
}

std::optional<RequestKind> NonceBook::Find(std::uint64_t nonce, Clock::time_point now) const
{
    const auto found = m_requests.find(nonce);
    if (found == m_requests.end() || now - found->second.sentAt > m_lifetime)
        return std::nullopt;
    return found->second.kind;
}

}  // namespace nrcore
