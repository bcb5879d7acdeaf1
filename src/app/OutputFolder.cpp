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
    std::string sWindows = env.WindowsFolder();
    if (env.IsFolderWritable(sWindows)) return sWindows;
    std::string sUser = PerUserFolder(env);
    if (sUser.empty()) return sWindows;
    env.CreateFolder(sUser);
    return sUser;
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

}  // namespace mv
