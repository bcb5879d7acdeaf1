#include "platform/Trace.h"

namespace mv {

std::string FormatTrace(const char* sFile, int iLine, const char* sExpr, const std::string& sValue) {
    std::string s = sFile;
    s += " line ";
    s += std::to_string(iLine);
    s += " : ";
    s += sExpr;
    s += " = ";
    s += sValue;
    return s;
}

std::string FormatTrace(const char* sFile, int iLine, const char* sExpr, long long iValue) {
    return FormatTrace(sFile, iLine, sExpr, std::to_string(iValue));
}

}  // namespace mv
