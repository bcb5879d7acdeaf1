#pragma once
#include <string>

namespace mv {

// Where trace lines go. The switch is the application's; the sink writes.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual bool IsOn() const = 0;
    virtual void TraceLine(const std::string& sText) = 0;
};

// Formats one trace line: file " line " n " : " expression " = " value.
std::string FormatTrace(const char* sFile, int iLine, const char* sExpr, const std::string& sValue);
std::string FormatTrace(const char* sFile, int iLine, const char* sExpr, long long iValue);

}  // namespace mv

// A trace site: tests the switch, then writes the expression and its value.
#define MV_TRACE(sink, expr)                                                        \
    do {                                                                            \
        if ((sink) && (sink)->IsOn())                                               \
            (sink)->TraceLine(::mv::FormatTrace(__FILE__, __LINE__, #expr, (expr))); \
    } while (0)
