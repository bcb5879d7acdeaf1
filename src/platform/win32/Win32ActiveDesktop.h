#pragma once
#include <memory>

#include "platform/ActiveDesktop.h"

struct IActiveDesktop;

namespace mv {

// The shell's Active Desktop object. Create() initialises COM on the calling
// thread and gives null when the object cannot be made.
class Win32ActiveDesktop : public ActiveDesktop {
public:
    static std::unique_ptr<Win32ActiveDesktop> Create();
    ~Win32ActiveDesktop() override;

    void SetWallpaper(const std::string& sPath) override;
    void SetWallpaperOptions(int iStyle) override;
    void ApplyChanges(unsigned uFlags) override;

private:
    explicit Win32ActiveDesktop(IActiveDesktop* p, bool bUninitialize) : m_p(p), m_bUninitialize(bUninitialize) {}
    IActiveDesktop* m_p;
    bool m_bUninitialize;
};

}  // namespace mv
