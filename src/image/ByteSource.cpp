#include "image/ByteSource.h"

#include <cstring>

#include "image/Image.h"

namespace mv {

namespace {
bool SeekTo(std::FILE* f, uint64_t pos, int whence) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(pos), whence) == 0;
#else
    return std::fseek(f, static_cast<long>(pos), whence) == 0;
#endif
}
int64_t Tell(std::FILE* f) {
#ifdef _WIN32
    return _ftelli64(f);
#else
    return std::ftell(f);
#endif
}
}  // namespace

size_t MemorySource::ReadSome(uint64_t offset, void* dst, size_t n) {
    if (offset >= m_size || n == 0) return 0;
    size_t count = static_cast<size_t>(m_size - offset) < n ? static_cast<size_t>(m_size - offset) : n;
    std::memcpy(dst, m_data + offset, count);
    return count;
}

FileSource::FileSource(const std::string& sPath) {
    m_file = std::fopen(NativePath(sPath).c_str(), "rb");
    if (!m_file) return;
    int64_t size = -1;
    if (SeekTo(m_file, 0, SEEK_END)) size = Tell(m_file);
    if (size < 0 || !SeekTo(m_file, 0, SEEK_SET)) {
        Close();
        return;
    }
    m_size = static_cast<uint64_t>(size);
}

FileSource::~FileSource() { Close(); }

void FileSource::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_size = m_pos = 0;
}

size_t FileSource::ReadSome(uint64_t offset, void* dst, size_t n) {
    if (!m_file || offset >= m_size || n == 0) return 0;
    if (offset != m_pos) {
        if (!SeekTo(m_file, offset, SEEK_SET)) return 0;
        m_pos = offset;
    }
    size_t count = std::fread(dst, 1, n, m_file);
    m_pos += count;
    return count;
}

}  // namespace mv
