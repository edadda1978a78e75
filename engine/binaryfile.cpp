#include "engine/binaryfile.h"

#include "engine/utf8path.h"

#include <filesystem>

namespace sonivert {
namespace {

#ifdef _WIN32
int seek64(std::FILE* f, int64_t offset, int whence) { return _fseeki64(f, offset, whence); }
int64_t tell64(std::FILE* f) { return _ftelli64(f); }
#else
int seek64(std::FILE* f, int64_t offset, int whence)
{
    return fseeko(f, static_cast<off_t>(offset), whence);
}
int64_t tell64(std::FILE* f) { return ftello(f); }
#endif

} // namespace

bool BinaryFile::open(const std::string& path)
{
    close();
#ifdef _WIN32
    m_file.reset(_wfopen(utf8Path(path).c_str(), L"rb"));
#else
    m_file.reset(std::fopen(path.c_str(), "rb"));
#endif
    if (!m_file)
        return false;
    // A directory opens on some systems but cannot be read.
    std::error_code ec;
    if (std::filesystem::is_directory(utf8Path(path), ec)) {
        close();
        return false;
    }
    return true;
}

size_t BinaryFile::read(void* buffer, size_t size)
{
    if (!m_file || size == 0)
        return 0;
    return std::fread(buffer, 1, size, m_file.get());
}

int BinaryFile::readByte()
{
    if (!m_file)
        return -1;
    const int c = std::fgetc(m_file.get());
    return c == EOF ? -1 : c;
}

bool BinaryFile::seek(uint64_t offset)
{
    if (!m_file || offset > static_cast<uint64_t>(INT64_MAX))
        return false;
    return seek64(m_file.get(), static_cast<int64_t>(offset), SEEK_SET) == 0;
}

bool BinaryFile::skip(int64_t delta)
{
    if (!m_file)
        return false;
    return seek64(m_file.get(), delta, SEEK_CUR) == 0;
}

uint64_t BinaryFile::tell() const
{
    if (!m_file)
        return 0;
    const int64_t pos = tell64(m_file.get());
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

uint64_t BinaryFile::size() const
{
    if (!m_file)
        return 0;
    std::FILE* f = m_file.get();
    const int64_t here = tell64(f);
    if (here < 0 || seek64(f, 0, SEEK_END) != 0)
        return 0;
    const int64_t end = tell64(f);
    if (seek64(f, here, SEEK_SET) != 0 || end < 0)
        return 0;
    return static_cast<uint64_t>(end);
}

} // namespace sonivert
