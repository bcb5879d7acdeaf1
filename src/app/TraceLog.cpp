#include "app/TraceLog.h"

#include <memory>

#include <cctype>
#include <chrono>
#include <cstdio>

#include "image/Image.h"

namespace mv {

uint64_t qvTimer::SteadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

qvTimer::qvTimer(uint64_t periodMs, Clock clock) : m_clock(std::move(clock)), m_period(periodMs) { Restart(); }

void qvTimer::SetPeriod(uint64_t periodMs) {
    m_period = periodMs;
    Restart();
}

void qvTimer::Restart() { m_last = m_clock(); }

uint32_t qvTimer::ElapsedAndRestart() {
    uint64_t now = m_clock();
    uint64_t elapsed = now - m_last;
    m_last = now;
    return static_cast<uint32_t>(elapsed);
}

bool qvTimer::Expired() {
    uint64_t now = m_clock();
    if (now - m_last > m_period) {
        m_last = now;
        return true;
    }
    return false;
}

std::string TracePrefix(uint32_t elapsedMs) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%10d: ", static_cast<int>(elapsedMs));
    return buffer;
}

bool IsTraceCollection(const std::string& sName) {
    if (sName.size() != 5) return false;
    static const char kTrace[] = "trace";
    for (size_t i = 0; i < 5; ++i)
        if (std::tolower(static_cast<unsigned char>(sName[i])) != kTrace[i]) return false;
    return true;
}

std::string TraceLog::Folder() {
    if (auto v = m_env.GetVariable("QUORTEMP")) return *v;
    if (auto v = m_env.GetVariable("TEMP")) return *v;
    return std::string();
}

void TraceLog::TraceLine(const std::string& sText) {
    const std::string& sLine = sText.size() > 1023 ? std::string("Trace string too long") : sText;
    std::lock_guard<std::mutex> guard(m_lock);
    std::string sPath = FilePath();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(NativePath(sPath).c_str(), "ab"), std::fclose);
    if (!file) return;
    if (!m_stopwatch) m_stopwatch.emplace(0, m_clock);
    std::string sOut = TracePrefix(m_stopwatch->ElapsedAndRestart());
    sOut += sLine;
    sOut += "\r\n";
    std::fwrite(sOut.data(), 1, sOut.size(), file.get());  // written literally: a % stays a %
}

void TraceLog::StartNewTraceFile() {
    std::lock_guard<std::mutex> guard(m_lock);
    std::string sFolder = Folder();
    std::string sPath = sFolder + "\\trace.txt";
    if (!m_env.FileExists(sPath)) return;
    for (int n = 0; n < 100000; ++n) {
        std::string sCandidate = sFolder + "\\trace" + std::to_string(n) + ".txt";
        if (!m_env.FileExists(sCandidate)) {
            m_env.RenameFile(sPath, sCandidate);
            return;
        }
    }
}

}  // namespace mv
