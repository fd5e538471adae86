#include "system/AtomicFile.h"
#include "system/InterruptCleanup.h"

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

int Fd(std::intptr_t file) { return static_cast<int>(file); }

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
void KeepOwnerAndMode(int fd, uid_t owner, gid_t group, mode_t mode)
{
    if (::fchown(fd, owner, group) != 0 && ::fchown(fd, ::geteuid(), group) != 0) {
        // The new file stays the user's, with the user's group.
    }
    if (::fchmod(fd, mode & 07777) != 0) {
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

void AtomicFile::Discard()
{
    if (m_file != kNoFile)
        ::close(Fd(m_file));
    m_file = kNoFile;
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
        out.Path = target;
        out.Route = Way::Direct;
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
        out = {Way::Replace,
               canonical,
               true,
               status.st_mode,
               status.st_uid,
               status.st_gid,
               {status.st_mtim.tv_sec, status.st_mtim.tv_nsec}};
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
    out.Path = Joined(folder, name);
    out.Route = Way::Replace;
    return 0;
}

// 0, or the errno value of the failure.
int AtomicFile::CreateTemporary()
{
    const std::string folder = FolderOf(m_path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = Joined(folder, TemporaryName());
        int fd = -1;
        int error = 0;
        {
            // An interrupt between creating and registering would leave the file behind. Only
            // calls a signal handler may interrupt (no allocation) until the file is registered.
            const DeferredInterrupts deferred;
            errno = 0;
            // 0666: the umask and a default access list of the folder apply as to any new file.
            // Readable too, for ReadBack().
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            error = ErrnoOr(EIO);
            if (fd >= 0)
                m_slot = RegisterTemporaryFile(path.c_str());
        }
        if (fd >= 0) {
            m_file = fd;
            m_temporary = path;
            return 0;
        }
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

bool AtomicFile::OpenFile(Way way)
{
    m_way = way;
    errno = 0;
    m_file = ::open(m_path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    return m_file != kNoFile || Fail(Stage::Create, ErrnoOr(EIO));
}

bool AtomicFile::OpenStandardOutput()
{
    m_file = ::dup(STDOUT_FILENO);
    return m_file != kNoFile || Fail(Stage::Create, ErrnoOr(EBADF));
}

void AtomicFile::KeepAttributes(const Destination& replaced)
{
    KeepOwnerAndMode(Fd(m_file), replaced.Owner, replaced.Group, replaced.Mode);
    m_keptTime[0] = replaced.Written[0];
    m_keptTime[1] = replaced.Written[1];
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
    if (::futimens(Fd(m_file), times) != 0) {
        // A file system that keeps no such time (or not to the nanosecond) keeps its own.
    }
}

bool AtomicFile::ReadBack(std::string& bytes)
{
    bytes.clear();
    if (m_file == kNoFile || m_way != Way::Replace)
        return false;
    bytes.resize(m_written);
    std::size_t done = 0;
    while (done < m_written) {
        const ssize_t n =
            ::pread(Fd(m_file), bytes.data() + done, m_written - done, static_cast<off_t>(done));
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
    if (m_file == kNoFile)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    while (size > 0) {
        errno = 0;
        const ssize_t n = ::write(Fd(m_file), data, size);
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
    ::sync_file_range(Fd(m_file), static_cast<off_t>(m_writebackFrom),
                      static_cast<off_t>(m_written - m_writebackFrom), SYNC_FILE_RANGE_WRITE);
    m_writebackFrom = m_written;
#endif
}

bool AtomicFile::Commit()
{
    if (m_file == kNoFile)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    ApplyKeptTime();
    // Files only: a device or a pipe is never synced (it would answer EINVAL).
    errno = 0;
    if (m_way != Way::Direct && ::fsync(Fd(m_file)) != 0 && errno != EINVAL)
        return Fail(Stage::Write, ErrnoOr(EIO));
    errno = 0;
    const int closed = ::close(Fd(m_file));
    m_file = kNoFile;
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
