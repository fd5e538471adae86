#include "support/BadFiles.h"

#include "system/Paths.h"

#include <filesystem>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace t2ntest {

Bytes BlockLogWithFixes()
{
    FlashImage log = BlockLog(1, kBlockBasicMask);
    RawFix fix;
    for (int i = 0; i < 3; ++i) {
        fix.Seconds = kMay2021 + i;
        log.Append(0, BlockRecord(fix, kBlockBasicMask));
    }
    return log.Data();
}

Bytes SectorLogWithFixes()
{
    FlashImage log = SectorLog(1, kSectorFixMask);
    RawFix fix;
    for (int i = 0; i < 12; ++i) {
        fix.Seconds = kMay2021 + i / 10;
        fix.Millisecond = static_cast<std::uint16_t>(i % 10 * 100);
        log.Append(0, SectorRecord(fix, kSectorFixMask));
    }
    return log.Data();
}

Bytes RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes out(size);
    for (std::size_t i = 0; i < size; i += 4) {
        const auto v = static_cast<std::uint32_t>(random());
        for (std::size_t k = 0; k < 4 && i + k < size; ++k)
            out[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    return out;
}

std::size_t RmcLines(const std::string& text)
{
    std::size_t lines = 0;
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos || end < at + 10 || text.compare(at, 7, "$GPRMC,") != 0 ||
            text[end - 3] != '*')
            return std::string::npos;
        at = end + 2;
    }
    return lines;
}

std::optional<std::string> UnreadableFile(const TempDir& dir, const std::string& name,
                                          const Bytes& bytes)
{
#ifdef _WIN32
    // Held open with a share mode of 0 until the folder goes: no other open succeeds.
    const std::string path = dir.Write(name, bytes);
    const HANDLE held = CreateFileW(NativePath(path).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return std::nullopt;
    dir.Hold(std::shared_ptr<void>(held, CloseHandle));
    return path;
#else
    if (geteuid() != 0) {
        const std::string path = dir.Write(name, bytes);
        fs::permissions(path, fs::perms::none);
        return path;
    }
    for (const char* attribute : {"/sys/bus/pci/rescan", "/sys/bus/pci/drivers_probe"}) {
        struct stat st = {};
        if (::stat(attribute, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0444) != 0)
            continue;
        const fs::path link = dir.Path() / name;
        fs::create_symlink(attribute, link);
        return link.string();
    }
    return std::nullopt;
#endif
}

} // namespace t2ntest
