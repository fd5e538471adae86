#include "system/AtomicFile.h"

#include "system/InterruptCleanup.h"

#ifndef _WIN32

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links followed before giving up, as the kernel counts them.
constexpr int kMaxLinks = 40;

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

// The folder part of a path without its last slash: "." for a bare name, "/" for the root.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string Joined(const std::string& folder, const std::string& name)
{
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

// The absolute path with every link, "." and ".." resolved; empty (errno set) when it fails.
std::string Canonical(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

// Follows a chain of links to its end, the first path that is not a link; false on a loop or an
// unreadable link.
bool FollowLinks(std::string& path)
{
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status = {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return true;
        std::string destination(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), destination.data(), destination.size());
        if (length <= 0)
            return false;
        destination.resize(static_cast<std::size_t>(length));
        path = destination.front() == '/' ? destination : Joined(FolderOf(path), destination);
    }
    errno = ELOOP;
    return false;
}

// ".t2n-", six random letters or digits and ".tmp": short and of fixed length, so that every target
// name the file system accepts leaves room for it, whatever the folder.
std::string TemporaryName()
{
    static constexpr char kAlphabet[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::random_device random;
    std::uint64_t bits = (std::uint64_t{random()} << 32) ^ random();
    std::string name = ".t2n-";
    for (int i = 0; i < 6; ++i, bits /= 62)
        name.push_back(kAlphabet[bits % 62]);
    return name.append(".tmp");
}

// The replacement keeps the mode bits and, where the process may set them (root), the owner and
// group; without that right it may still keep a group the user belongs to. The owner goes first:
// changing it clears the set-user-ID bit.
void KeepOwnerAndMode(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, ::geteuid(), old.st_gid) != 0) {
        // The new file stays the user's, with the user's group.
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        // A file system without modes (FAT) keeps its own.
    }
}

// After the rename, so that the new name survives a power cut as the content does. A folder that
// cannot be synced changes nothing already written.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::fsync(fd) != 0) {
        // EINVAL: the file system keeps no folder to sync.
    }
    ::close(fd);
}

} // namespace

struct AtomicFile::Destination {
    Way way = Way::Replace;
    std::string path;        // opened directly, or replaced by the temporary file
    bool exists = false;     // a regular file is there
    struct stat status = {}; // of that file
};

void AtomicFile::Discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
    ReleaseTemporaryFile(m_slot);
    m_slot = -1;
}

// Decides where the bytes for `target` go; 0, or the errno value that makes writing impossible.
int AtomicFile::Locate(const std::string& target, Destination& out)
{
    struct stat status = {};
    errno = 0;
    if (::stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return EISDIR;
        out.path = target;
        out.way = Way::Direct;
        if (!S_ISREG(status.st_mode))
            return 0; // a device, a pipe or a socket
        // Replaced where its links lead, unless that is no path of the file system (a deleted
        // file behind /proc/self/fd, whose link text names nothing).
        const std::string canonical = Canonical(target);
        struct stat there = {};
        if (canonical.empty() || ::stat(canonical.c_str(), &there) != 0 ||
            there.st_dev != status.st_dev || there.st_ino != status.st_ino)
            return 0;
        // Refused as cp refuses it, although its folder would allow a rename over it.
        errno = 0;
        if (::access(canonical.c_str(), W_OK) != 0)
            return ErrnoOr(EACCES);
        out = {Way::Replace, canonical, true, status};
        return 0;
    }
    if (errno != ENOENT)
        return ErrnoOr(EIO);
    // Nothing there, or a link to nothing: the file is created where the links end, as cp does.
    std::string end = target;
    if (!FollowLinks(end))
        return ErrnoOr(ELOOP);
    if (end.empty())
        return ENOENT;
    const std::string name = NameOf(end);
    if (name.empty() || name == "." || name == "..")
        return EISDIR;
    const std::string folder = Canonical(FolderOf(end));
    if (folder.empty())
        return ErrnoOr(ENOENT);
    // The temporary name is short, so the target's own name is checked here.
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > static_cast<std::size_t>(nameMax))
        return ENAMETOOLONG;
    out.path = Joined(folder, name);
    out.way = Way::Replace;
    return 0;
}

// 0, or the errno value of the failure.
int AtomicFile::CreateTemporary(const std::string& folder)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = Joined(folder, TemporaryName());
        // An interrupt between creating and registering would leave the file behind.
        const DeferredInterrupts deferred;
        errno = 0;
        // 0666: the umask and a default access list of the folder apply as to any new file.
        // Readable too, for ReadBack().
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temporary = path;
            m_slot = RegisterTemporaryFile(path.c_str());
            return 0;
        }
        if (errno != EEXIST)
            return ErrnoOr(EIO);
    }
    return EEXIST;
}

bool AtomicFile::OpenFile(Way way)
{
    m_way = way;
    errno = 0;
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    return m_fd >= 0 || Fail(Stage::Create, ErrnoOr(EIO));
}

bool AtomicFile::OpenStandardOutput()
{
    m_fd = ::dup(STDOUT_FILENO);
    return m_fd >= 0 || Fail(Stage::Create, ErrnoOr(EBADF));
}

void AtomicFile::KeepAttributes(const Destination& replaced)
{
    KeepOwnerAndMode(m_fd, replaced.status);
    m_keptTime[0] = replaced.status.st_mtim.tv_sec;
    m_keptTime[1] = replaced.status.st_mtim.tv_nsec;
    m_keepTime = m_rules.KeepModificationTime;
}

void AtomicFile::ApplyKeptTime()
{
    if (!m_keepTime || m_way != Way::Replace)
        return;
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(m_keptTime[0]);
    times[1].tv_nsec = static_cast<long>(m_keptTime[1]);
    if (::futimens(m_fd, times) != 0) {
        // A file system that keeps no such time (or not to the nanosecond) keeps its own.
    }
}

bool AtomicFile::ReadBack(std::string& bytes)
{
    bytes.clear();
    if (m_fd < 0 || m_way != Way::Replace)
        return false;
    bytes.resize(m_written);
    std::size_t done = 0;
    while (done < m_written) {
        const ssize_t n =
            ::pread(m_fd, bytes.data() + done, m_written - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return done == m_written;
}

bool AtomicFile::Write(const char* data, std::size_t size)
{
    if (m_fd < 0)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    while (size > 0) {
        errno = 0;
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(Stage::Write, ErrnoOr(EIO));
        data += n;
        size -= static_cast<std::size_t>(n);
        m_written += static_cast<std::size_t>(n);
    }
    StartWriteback();
    return true;
}

void AtomicFile::StartWriteback()
{
#ifdef __linux__
    // A large file is sent to the disk while the rest is still being formatted, so the sync
    // before the rename finds little left to do. Only a start: the sync still waits for it all.
    constexpr std::size_t kWritebackStep = std::size_t{8} << 20;
    if (m_way == Way::Direct || m_written - m_writebackFrom < kWritebackStep)
        return;
    ::sync_file_range(m_fd, static_cast<off_t>(m_writebackFrom),
                      static_cast<off_t>(m_written - m_writebackFrom), SYNC_FILE_RANGE_WRITE);
    m_writebackFrom = m_written;
#endif
}

bool AtomicFile::Commit()
{
    if (m_fd < 0)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    ApplyKeptTime();
    // Files only: a device or a pipe is never synced (it would answer EINVAL).
    errno = 0;
    if (m_way != Way::Direct && ::fsync(m_fd) != 0 && errno != EINVAL)
        return Fail(Stage::Write, ErrnoOr(EIO));
    errno = 0;
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(Stage::Write, ErrnoOr(EIO));
    if (m_way != Way::Replace)
        return true;
    errno = 0;
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        return Fail(Stage::Write, ErrnoOr(EIO));
    m_temporary.clear();
    ReleaseTemporaryFile(m_slot);
    m_slot = -1;
    SyncFolder(FolderOf(m_path));
    return true;
}

#else // _WIN32

#include "system/Paths.h"

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

struct AtomicFile::Destination {
    Way way = Way::Replace;
    std::string path;      // opened directly, or replaced by the temporary file
    bool exists = false;   // a file is there
    DWORD attributes = 0;  // of that file
    FILETIME written = {}; // and its modification time
};

void AtomicFile::Discard()
{
    if (m_handle != nullptr)
        CloseHandle(m_handle);
    m_handle = nullptr;
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
        out.path = target;
        out.way = Way::Direct;
        if (type != FILE_TYPE_DISK || !known)
            return 0; // a device or a pipe
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EISDIR;
        if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
            return EACCES;
        out = {Way::Replace, final.empty() ? target : final, true, info.dwFileAttributes,
               info.ftLastWriteTime};
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
    out.path = Utf8Path(absolute);
    out.way = Way::Replace;
    return 0;
}

// 0, or the errno value of the failure.
int AtomicFile::CreateTemporary(const std::string& folder)
{
    const fs::path where = NativePath(folder);
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
            m_handle = file;
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
    m_handle = file;
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
    m_handle = copy;
    return true;
}

void AtomicFile::KeepAttributes(const Destination& replaced)
{
    if ((replaced.attributes & kKeptAttributes) != 0)
        SetFileAttributesW(Wide(m_temporary).c_str(), replaced.attributes & kKeptAttributes);
    m_keptTime[0] = static_cast<std::int64_t>(std::uint64_t{replaced.written.dwHighDateTime} << 32 |
                                              replaced.written.dwLowDateTime);
    m_keepTime = m_rules.KeepModificationTime;
}

void AtomicFile::ApplyKeptTime()
{
    if (!m_keepTime || m_way != Way::Replace)
        return;
    const auto count = static_cast<std::uint64_t>(m_keptTime[0]);
    FILETIME written = {static_cast<DWORD>(count), static_cast<DWORD>(count >> 32)};
    SetFileTime(m_handle, nullptr, nullptr, &written);
}

bool AtomicFile::ReadBack(std::string& bytes)
{
    bytes.clear();
    if (m_handle == nullptr || m_way != Way::Replace)
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
        if (!ReadFile(m_handle, bytes.data() + done, piece, &read, &at) || read == 0)
            break;
        done += read;
    }
    // Further writes go on at the end.
    SetFilePointerEx(m_handle, LARGE_INTEGER{}, nullptr, FILE_END);
    bytes.resize(done);
    return done == m_written;
}

bool AtomicFile::Write(const char* data, std::size_t size)
{
    if (m_handle == nullptr)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    while (size > 0) {
        const DWORD piece = size > (1u << 30) ? 1u << 30 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(m_handle, data, piece, &written, nullptr) || written == 0)
            return Fail(Stage::Write, LastErrno());
        data += written;
        size -= written;
        m_written += written;
    }
    return true;
}

bool AtomicFile::Commit()
{
    if (m_handle == nullptr)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    ApplyKeptTime();
    // Files only: a console or a pipe is never flushed.
    if (m_way != Way::Direct && !FlushFileBuffers(m_handle))
        return Fail(Stage::Write, LastErrno());
    const bool closed = CloseHandle(m_handle) != 0;
    m_handle = nullptr;
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

#endif

bool AtomicFile::Open()
{
    if (m_target == kStandardOutput) {
        m_way = Way::Direct;
        return OpenStandardOutput();
    }
    Destination destination;
    if (const int error = Locate(m_target, destination); error != 0)
        return Fail(Stage::Create, error);
    m_path = destination.path;
    if (destination.way == Way::Direct)
        return OpenFile(Way::Direct);
    m_way = Way::Replace;
    const int error = CreateTemporary(FolderOf(m_path));
    if (error == 0) {
        if (destination.exists)
            KeepAttributes(destination);
        return true;
    }
    // A writable file in a folder that allows no new file: written in place, not atomically.
    if (destination.exists && (error == EACCES || error == EPERM) && !m_rules.NeverInPlace)
        return OpenFile(Way::InPlace);
    return Fail(Stage::Create, error);
}

// Both systems.

AtomicFile::AtomicFile(std::string target, ReplaceRules rules)
    : m_target(std::move(target)), m_rules(rules)
{
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(Stage stage, int error)
{
    if (m_failedStage == Stage::None) {
        m_failedStage = stage;
        m_errno = error;
    }
    Discard();
    return false;
}
