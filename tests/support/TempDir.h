#pragma once
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace mv::test {

// A temporary folder removed with everything in it when the test ends.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/murivane-test-XXXXXX";
        char* p = mkdtemp(tmpl);
        m_sPath = p ? p : "/tmp";
    }
    ~TempDir() {
        std::string cmd = "rm -rf '" + m_sPath + "'";
        if (std::system(cmd.c_str()) != 0) {
        }
    }
    const std::string& Path() const { return m_sPath; }
    std::string File(const std::string& name) const { return m_sPath + "/" + name; }
    void WriteFile(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
    }
    std::vector<uint8_t> ReadFile(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string m_sPath;
};

}  // namespace mv::test
