#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace mv {

// Where a decoder's bytes come from: a file or a block of memory. Reads are
// by absolute offset and never go past the end.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual bool IsOpen() const = 0;
    virtual uint64_t Size() const = 0;
    // Copies up to n bytes from offset into dst; returns how many were copied.
    virtual size_t ReadSome(uint64_t offset, void* dst, size_t n) = 0;
    // True only when all n bytes are there.
    bool ReadAt(uint64_t offset, void* dst, size_t n) { return n == 0 || ReadSome(offset, dst, n) == n; }
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}
    bool IsOpen() const override { return true; }
    uint64_t Size() const override { return m_size; }
    size_t ReadSome(uint64_t offset, void* dst, size_t n) override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// A file opened for reading ("rb") through NativePath; closed by the destructor.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& sPath);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    bool IsOpen() const override { return m_file != nullptr; }
    uint64_t Size() const override { return m_size; }
    size_t ReadSome(uint64_t offset, void* dst, size_t n) override;
    void Close();

private:
    std::FILE* m_file = nullptr;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
};

}  // namespace mv
