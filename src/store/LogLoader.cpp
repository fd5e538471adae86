#include "store/LogLoader.h"

#include "decoders/BlockDecoder.h"
#include "decoders/SectorDecoder.h"
#include "decoders/Smoothing.h"
#include "store/PathText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::FILE* OpenForReading(const std::string& path)
{
#ifdef _WIN32
    return _wfopen(NativePath(path).c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

std::int32_t UnitSize(LogKind kind) { return kind == LogKind::Sector ? kSectorSize : kBlockSize; }

} // namespace

LogKind KindFromPath(const std::string& path)
{
    const std::size_t dot = ExtensionStart(path);
    static constexpr char kSectorExtension[] = ".BNX4";
    if (path.size() - dot != sizeof kSectorExtension - 1)
        return LogKind::Block;
    for (std::size_t i = 0; i < sizeof kSectorExtension - 1; ++i) {
        char c = path[dot + i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kSectorExtension[i])
            return LogKind::Block;
    }
    return LogKind::Sector;
}

void DecodeLogBuffer(FixStore& store, LogKind kind, std::size_t size)
{
    // Every accepted load starts from an empty table and an open fix-type gate, so a file
    // converts the same whatever was loaded before it.
    store.FixCount = 0;
    if (kind == LogKind::Block) {
        const auto blocks = static_cast<std::int32_t>(size / kBlockSize);
        for (std::int32_t i = 0; i < blocks; ++i)
            ScanBlock(store, i);
    } else if (kind == LogKind::Sector) {
        store.SkipCounter = 0;
        const auto sectors = static_cast<std::int32_t>(size / kSectorSize);
        for (std::int32_t i = 0; i < sectors; ++i)
            ScanSector(store, i);
        RunSmoothingStep(store);
    }
}

LoadResult LoadLogFile(FixStore& store, const std::string& path)
{
    LoadResult result;
    std::error_code ec;
    const fs::path native = NativePath(path);
    const fs::file_status status = fs::status(native, ec);
    if (!fs::exists(status)) {
        result.Ignored = IgnoreReason::NotFound;
        return result;
    }
    // Folders, devices and pipes are not log files; a pipe would block the open, too.
    if (!fs::is_regular_file(status)) {
        result.Ignored = IgnoreReason::NotAFile;
        return result;
    }
    const std::uintmax_t reported = fs::file_size(native, ec);
    const std::uintmax_t fileSize = ec ? 0 : reported;

    const LogKind kind = KindFromPath(path);
    const auto unit = static_cast<std::uintmax_t>(UnitSize(kind));
    if (fileSize > kLogBufferSize) {
        result.Ignored = IgnoreReason::TooLarge;
        return result;
    }
    if (fileSize % unit != 0) {
        result.Ignored = IgnoreReason::SizeNotMultiple;
        return result;
    }

    // Bytes past the file's end read as erased flash, and nothing of an earlier file survives.
    std::memset(store.LogBuffer.get(), 0xFF, kLogBufferSize + kLogBufferSlack);

    errno = 0;
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) {
        result.IoErrno = errno != 0 ? errno : EIO;
        return result;
    }
    const auto size = static_cast<std::size_t>(fileSize);
    errno = 0;
    const std::size_t countRead = std::fread(store.LogBuffer.get(), 1, size, file);
    const bool readFailed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (readFailed) {
        result.IoErrno = readErrno != 0 ? readErrno : EIO;
        return result;
    }
    if (countRead % unit != 0) {
        result.Ignored = IgnoreReason::ShortRead;
        return result;
    }

    DecodeLogBuffer(store, kind, size);
    result.Kind = kind;
    if (store.FixCount > 0) {
        result.FirstTime = store.FixTable[0].Time;
        result.LastTime = store.FixTable[static_cast<std::size_t>(store.FixCount) - 1].Time;
    }
    return result;
}
