#include "system/AtomicFile.h"
#include "system/InterruptCleanup.h"
#include "system/Paths.h"
#include "system/WindowsErrors.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <random>
#include <string>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

// The longest file name the Windows file systems take, in UTF-16 units.
constexpr std::size_t kNameMax = 255;
// The attributes a replacement takes over from the file it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

int LastErrno() { return ErrnoFromWindowsError(GetLastError()); }

HANDLE AsHandle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }
std::intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

// A FILETIME as one count of 100 ns steps.
std::int64_t Count(const FILETIME& time)
{
    return static_cast<std::int64_t>(std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
}

std::wstring Wide(const std::string& utf8) { return NativePath(utf8).wstring(); }

std::string FolderOf(const std::string& path) { return Utf8Path(NativePath(path).parent_path()); }

// ".t2n-", six random letters or digits and ".tmp", as on the other systems.
std::wstring TemporaryName()
{
    static constexpr wchar_t kAlphabet[] =
        L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::random_device random;
    std::uint64_t bits = (std::uint64_t{random()} << 32) ^ random();
    std::wstring name = L".t2n-";
    for (int i = 0; i < 6; ++i, bits /= 62)
        name.push_back(kAlphabet[bits % 62]);
    return name.append(L".tmp");
}

// The path the system reached through every link of an open file; empty when it cannot say.
std::string FinalPath(HANDLE file)
{
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return Utf8Path(fs::path(path));
        }
        path.resize(length);
    }
    return {};
}

} // namespace

void AtomicFile::Discard()
{
    if (m_file != kNoFile)
        CloseHandle(AsHandle(m_file));
    m_file = kNoFile;
    if (!m_temporary.empty())
        DeleteFileW(Wide(m_temporary).c_str());
    m_temporary.clear();
    ReleaseTemporaryFile(m_slot);
    m_slot = -1;
}

// Decides where the bytes for `target` go; 0, or the errno value that makes writing impossible.
int AtomicFile::Locate(const std::string& target, Destination& out)
{
    const fs::path native = NativePath(target);
    // Opened for no access at all, which a folder, a device and a locked file allow too.
    const HANDLE existing =
        CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info = {};
        const DWORD type = GetFileType(existing);
        const bool known = GetFileInformationByHandle(existing, &info) != 0;
        const std::string final = type == FILE_TYPE_DISK ? FinalPath(existing) : std::string();
        CloseHandle(existing);
        out.Path = target;
        out.Route = Way::Direct;
        if (type != FILE_TYPE_DISK || !known)
            return 0; // a device or a pipe
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EISDIR;
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
            return EACCES;
        out = {Way::Replace,
               final.empty() ? target : final,
               true,
               static_cast<std::uint32_t>(info.dwFileAttributes),
               0,
               0,
               {Count(info.ftLastWriteTime), 0}};
        return 0;
    }
    if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND)
        return ErrnoFromWindowsError(error);
    // Nothing there: the file is created in a folder that exists.
    const fs::path name = native.filename();
    if (name.empty() || name == L"." || name == L"..")
        return EISDIR;
    if (name.native().size() > kNameMax)
        return ENAMETOOLONG;
    std::error_code ec;
    const fs::path absolute = fs::absolute(native, ec);
    if (ec)
        return ENOENT;
    const DWORD folder = GetFileAttributesW(absolute.parent_path().c_str());
    if (folder == INVALID_FILE_ATTRIBUTES)
        return LastErrno();
    if ((folder & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return ENOTDIR;
    out.Path = Utf8Path(absolute);
    out.Route = Way::Replace;
    return 0;
}

// 0, or the errno value of the failure.
int AtomicFile::CreateTemporary()
{
    const fs::path where = NativePath(FolderOf(m_path));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path path = where / TemporaryName();
        // The interrupt handler runs in a thread of its own: it waits until the file is
        // registered. Other processes may delete it too, as the handler does.
        const DeferredInterrupts deferred;
        // Readable too, for ReadBack().
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_file = FromHandle(file);
            m_temporary = Utf8Path(path);
            m_slot = RegisterTemporaryFile(m_temporary.c_str());
            return 0;
        }
        if (const DWORD error = GetLastError();
            error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return ErrnoFromWindowsError(error);
    }
    return EEXIST;
}

bool AtomicFile::OpenFile(Way way)
{
    m_way = way;
    const HANDLE file = CreateFileW(
        Wide(m_path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        way == Way::InPlace ? TRUNCATE_EXISTING : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(Stage::Create, LastErrno());
    m_file = FromHandle(file);
    return true;
}

bool AtomicFile::OpenStandardOutput()
{
    // The C library's stream translates nothing either from now on.
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE copy = nullptr;
    if (out == nullptr || out == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return Fail(Stage::Create, EBADF);
    m_file = FromHandle(copy);
    return true;
}

void AtomicFile::KeepAttributes(const Destination& replaced)
{
    if ((replaced.Mode & kKeptAttributes) != 0)
        SetFileAttributesW(Wide(m_temporary).c_str(), replaced.Mode & kKeptAttributes);
    m_keptTime[0] = replaced.Written[0];
    m_keepTime = m_rules.KeepModificationTime;
}

void AtomicFile::ApplyKeptTime()
{
    if (!m_keepTime || m_way != Way::Replace)
        return;
    const auto count = static_cast<std::uint64_t>(m_keptTime[0]);
    FILETIME written = {static_cast<DWORD>(count), static_cast<DWORD>(count >> 32)};
    SetFileTime(AsHandle(m_file), nullptr, nullptr, &written);
}

bool AtomicFile::ReadBack(std::string& bytes)
{
    bytes.clear();
    if (m_file == kNoFile || m_way != Way::Replace)
        return false;
    bytes.resize(m_written);
    std::size_t done = 0;
    while (done < m_written) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(done);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(done) >> 32);
        const std::size_t left = m_written - done;
        const DWORD piece = left > (1u << 30) ? 1u << 30 : static_cast<DWORD>(left);
        DWORD read = 0;
        if (!ReadFile(AsHandle(m_file), bytes.data() + done, piece, &read, &at) || read == 0)
            break;
        done += read;
    }
    // Further writes go on at the end.
    SetFilePointerEx(AsHandle(m_file), LARGE_INTEGER{}, nullptr, FILE_END);
    bytes.resize(done);
    return done == m_written;
}

bool AtomicFile::Write(const char* data, std::size_t size)
{
    if (m_file == kNoFile)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    while (size > 0) {
        const DWORD piece = size > (1u << 30) ? 1u << 30 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(AsHandle(m_file), data, piece, &written, nullptr) || written == 0)
            return Fail(Stage::Write, LastErrno());
        data += written;
        size -= written;
        m_written += written;
    }
    return true;
}

bool AtomicFile::Commit()
{
    if (m_file == kNoFile)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    ApplyKeptTime();
    // Files only: a console or a pipe is never flushed.
    if (m_way != Way::Direct && !FlushFileBuffers(AsHandle(m_file)))
        return Fail(Stage::Write, LastErrno());
    const bool closed = CloseHandle(AsHandle(m_file)) != 0;
    m_file = kNoFile;
    if (!closed)
        return Fail(Stage::Write, LastErrno());
    if (m_way != Way::Replace)
        return true;
    // Write-through: the call returns once the new name is on the disk, as the folder's sync
    // makes sure elsewhere.
    if (!MoveFileExW(Wide(m_temporary).c_str(), Wide(m_path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Fail(Stage::Write, LastErrno());
    m_temporary.clear();
    ReleaseTemporaryFile(m_slot);
    m_slot = -1;
    return true;
}
