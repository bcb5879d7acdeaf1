#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Environment.h"
#include "platform/Trace.h"

namespace mv {

// A millisecond stopwatch over a monotonic counter.
class qvTimer {
public:
    using Clock = std::function<uint64_t()>;  // milliseconds
    explicit qvTimer(uint64_t periodMs = 0, Clock clock = SteadyMilliseconds);
    void SetPeriod(uint64_t periodMs);
    void Restart();
    uint32_t ElapsedAndRestart();
    bool Expired();  // strictly more than the period since the last restart
    static uint64_t SteadyMilliseconds();

private:
    Clock m_clock;
    uint64_t m_period;
    uint64_t m_last;
};

// The trace log: one line per traced value appended to trace.txt in the
// folder named by QUORTEMP, else TEMP. Lines from two threads never mix.
class TraceLog : public TraceSink {
public:
    explicit TraceLog(Environment& env, qvTimer::Clock clock = qvTimer::SteadyMilliseconds)
        : m_env(env), m_clock(std::move(clock)) {}

    bool IsOn() const override { return m_bOn; }
    void SetOn(bool bOn) { m_bOn = bOn; }
    void TraceLine(const std::string& sText) override;
    // Renames trace.txt to the first free traceN.txt.
    void StartNewTraceFile();

    std::string Folder();
    std::string FilePath() { return Folder() + "\\trace.txt"; }

private:
    Environment& m_env;
    qvTimer::Clock m_clock;
    std::atomic<bool> m_bOn{false};  // read by the fractal worker too
    std::mutex m_lock;
    std::optional<qvTimer> m_stopwatch;
};

// "%10d: " of the milliseconds since the previous line.
std::string TracePrefix(uint32_t elapsedMs);
// The switch: the current collection's name, lower-cased, is "trace".
bool IsTraceCollection(const std::string& sName);

}  // namespace mv
