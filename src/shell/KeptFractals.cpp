#include "shell/KeptFractals.h"

#include "image/ImagePNG.h"
#include "shell/FractalJob.h"
#include "platform/FileOps.h"

namespace mv {

namespace {
// How many files of one fractal's name are tried before it is given up.
constexpr int kMaxNamesTried = 1000;
}  // namespace

std::string KeptFractalFileName(const FractalRecipe& recipe, int n) {
    std::string s = "Fractal " + std::to_string(recipe.paletteSeed) + "-" + std::to_string(recipe.fractalSeed);
    if (n > 1) s += " (" + std::to_string(n) + ")";
    return s + ".png";
}

std::vector<std::string> KeepFractals(Environment& env, const std::string& sPictures,
                                      const std::vector<FractalRecipe>& recipes, TraceSink* pTrace,
                                      const std::atomic<bool>* pGoOn) {
    std::vector<std::string> saved;
    if (sPictures.empty()) return saved;
    const std::string sFolder = sPictures + "\\" + kKeptFractalsFolder;
    if (!env.FileExists(sFolder)) env.CreateFolder(sFolder);
    for (const FractalRecipe& recipe : recipes) {
        const Image picture = RenderFractalRecipe(recipe, pTrace, pGoOn);
        if (pGoOn && !*pGoOn) break;
        if (!picture.IsValid()) continue;
        // Written whole and flushed beside the folder's files, then given
        // the first free name; a name taken meanwhile by another keeper
        // makes that step fail, and the next name is tried. No file there is
        // ever replaced.
        FileOps& ops = env.Files();
        const ContentProducer png = [&](const PieceWriter& write) { return WritePng(picture, write); };
        WriteWholeThenPublish(ops, sFolder + "\\" + KeptFractalFileName(recipe), png, [&](const std::string& sTemp) {
            for (int n = 1; n <= kMaxNamesTried; ++n) {
                const std::string sPath = sFolder + "\\" + KeptFractalFileName(recipe, n);
                if (ops.ReplaceNothing(sTemp, sPath)) {
                    saved.push_back(sPath);
                    return true;
                }
                if (!env.FileExists(sPath)) return false;  // not for want of a name: the folder cannot be written
            }
            return false;
        });
    }
    return saved;
}

std::string KeptFractalsTitle(const std::vector<std::string>& saved) {
    if (saved.empty()) return "The fractal could not be saved";
    return saved.size() == 1 ? "Fractal kept" : "Fractals kept";
}

std::string KeptFractalsText(const std::vector<std::string>& saved) {
    if (saved.empty()) return "There is not enough memory or disk space, or the Pictures folder cannot be written.";
    if (saved.size() == 1) return "Saved as " + saved.front();
    const std::string& s = saved.front();
    return "Saved " + std::to_string(saved.size()) + " pictures in " + s.substr(0, s.find_last_of('\\'));
}

}  // namespace mv
