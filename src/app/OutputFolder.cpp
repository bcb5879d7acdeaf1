#include "app/OutputFolder.h"

namespace mv {

namespace {
std::string PerUserFolder(Environment& env) {
    std::string sAppData = env.AppDataFolder();
    if (sAppData.empty()) return std::string();
    return sAppData + "\\Murivane";
}
}  // namespace

std::string OutputFolder(Environment& env) {
    if (env.decidedOutputFolder) return *env.decidedOutputFolder;
    std::string sWindows = env.WindowsFolder();
    std::string sUser = PerUserFolder(env);
    std::string sFolder = sWindows;
    if (env.IsFolderWritable(sWindows)) {
        // Collections already kept per user stay there, so they do not seem
        // to vanish when the Windows folder becomes writable.
        if (!sUser.empty() && env.FileExists(sUser + "\\" + kIniFileName) &&
            !env.FileExists(sWindows + "\\" + kIniFileName))
            sFolder = sUser;
    } else if (!sUser.empty()) {
        env.CreateFolder(sUser);
        sFolder = sUser;
    }
    env.decidedOutputFolder = sFolder;
    return sFolder;
}

std::string OutputFile(Environment& env, const std::string& sName) {
    return OutputFolder(env) + "\\" + sName;
}

std::vector<std::string> CandidateFiles(Environment& env, const std::string& sName) {
    std::vector<std::string> files{env.WindowsFolder() + "\\" + sName};
    std::string sUser = PerUserFolder(env);
    if (!sUser.empty()) files.push_back(sUser + "\\" + sName);
    return files;
}

std::string MonitorFractalFileName(int i) { return "Murivane" + std::to_string(i + 1) + ".bmp"; }

}  // namespace mv
