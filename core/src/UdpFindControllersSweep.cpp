// The range sweep: a thread that queries each address of the ranges once at a steady
// pace, and the test that an answer is one to the latest sweep.
#include "UdpFindControllers.h"

#include <algorithm>

namespace nrcore {
namespace {

// Moves a sweep's cursor (the range and the address in it) on by one address.
void StepSweepCursor(const std::vector<NRAddressRange>& ranges, std::size_t& rangeIndex, std::uint32_t& next)
{
    if (next < ranges[rangeIndex].last) {
        ++next;
    } else if (++rangeIndex < ranges.size()) {
        next = ranges[rangeIndex].first;
    }
}

}  // namespace

bool UdpFindControllers::SweepAnswersCountLocked(Clock::time_point now) const
{
    return m_sweep.mark != 0 && (m_sweep.running || now <= m_sweep.answersUntil);
}

bool UdpFindControllers::IsSweepAnswerLocked(const Received& received, Clock::time_point now) const
{
    return SweepAnswersCountLocked(now) && received.answer.nonce == SweepNonce(m_sweep.key, received.source);
}

void UdpFindControllers::SweepLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    using Seconds = std::chrono::duration<double>;
    const double rate = m_sweep.queriesPerSecond;
    const double burst = std::max(1.0, rate / EngineTiming::kSweepBurstDivisor);
    // Queries the pace allows now; it starts empty, so the sweep is never ahead of it.
    double allowance = 0;
    Clock::time_point lastRefill = Clock::now();
    // Replaced only by the next StartSweep, after this thread has ended.
    const std::vector<NRAddressRange>& ranges = m_sweep.ranges;
    while (!m_sweep.stopRequested && m_sweep.sent < m_sweep.total) {
        const Clock::time_point now = Clock::now();
        allowance = std::min(burst, allowance + rate * Seconds(now - lastRefill).count());
        lastRefill = now;
        if (allowance < 1) {
            const auto due = std::chrono::duration_cast<Clock::duration>(Seconds((1 - allowance) / rate));
            m_sweepWake.wait_for(lock, std::max<Clock::duration>(due, EngineTiming::kSweepMinimumWait));
            continue;
        }
        if (EnsureSocket(lock) != 0) {
            m_sweepWake.wait_for(lock, EngineTiming::kSweepSocketRetry);
            continue;
        }
        if (m_sweep.stopRequested)
            break;
        // A bounded batch, so that a stop is seen soon at any pace.
        const std::uint64_t count = std::min<std::uint64_t>(
            {static_cast<std::uint64_t>(allowance), EngineTiming::kSweepBatchLimit, m_sweep.total - m_sweep.sent});
        std::size_t rangeIndex = m_sweep.rangeIndex;
        std::uint32_t next = m_sweep.next;
        const SweepKey key = m_sweep.key;
        const SOCKET socket = m_socket;
        lock.unlock();
        std::uint64_t done = 0;
        int error = 0;
        for (; done < count; ++done) {
            error = SendQuery(socket, next, nrproto::Query{SweepNonce(key, next), EngineTiming::kSweepAnswerWindowMs});
            // Only a failure that concerns the destination (no route to it) leaves the
            // address queried; the others leave it for the next turn.
            if (error != 0 && error != WSAEHOSTUNREACH && error != WSAENETUNREACH)
                break;
            StepSweepCursor(ranges, rangeIndex, next);
        }
        lock.lock();
        m_sweep.rangeIndex = rangeIndex;
        m_sweep.next = next;
        m_sweep.sent += done;
        allowance -= static_cast<double>(done);
        if (done == count)
            continue;
        // A full send buffer empties by itself; any other failure is the socket's,
        // which is then retired so that the rest goes out from a new one.
        if (error != WSAEWOULDBLOCK && error != WSAENOBUFS && m_socket == socket && m_socketError == 0)
            m_socketError = error;
        m_sweepWake.wait_for(lock, EngineTiming::kSweepMinimumWait);
    }
    m_sweep.running = false;
    m_sweep.answersUntil = Clock::now() + EngineTiming::kNonceLifetime;
}

void UdpFindControllers::EndSweep()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sweep.stopRequested = true;
    }
    m_sweepWake.notify_all();
    if (m_sweeper.joinable())
        m_sweeper.join();
}

bool UdpFindControllers::StartSweep(const std::vector<NRAddressRange>& ranges, int queriesPerSecond)
{
    std::vector<NRAddressRange> swept = SweepRanges(ranges);
    const std::uint64_t total = NRAddressCount(swept);
    if (queriesPerSecond < 1 || queriesPerSecond > kMostSweepQueriesPerSecond || total == 0)
        return false;
    std::lock_guard<std::mutex> control(m_sweepControl);
    EndSweep();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (EnsureSocket(lock) != 0)
        return false;
    Sweep sweep;
    sweep.next = swept.front().first;
    sweep.ranges = std::move(swept);
    sweep.total = total;
    sweep.queriesPerSecond = queriesPerSecond;
    sweep.key = SweepKey{RandomNumber(), RandomNumber()};
    sweep.mark = m_sweep.mark + 1;
    sweep.running = true;
    m_sweep = std::move(sweep);
    m_sweeper = std::thread(&UdpFindControllers::SweepLoop, this);
    return true;
}

NRSweepProgress UdpFindControllers::GetSweepProgress()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    NRSweepProgress progress;
    progress.sent = m_sweep.sent;
    progress.total = m_sweep.total;
    progress.running = m_sweep.running;
    return progress;
}

void UdpFindControllers::StopSweep()
{
    std::lock_guard<std::mutex> control(m_sweepControl);
    EndSweep();
}

}  // namespace nrcore
