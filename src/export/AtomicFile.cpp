#include "export/AtomicFile.h"

#include "store/PathText.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

} // namespace

AtomicFile::AtomicFile(std::string target) : m_target(std::move(target)) {}

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

void AtomicFile::Discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool AtomicFile::Open()
{
    if (m_target == kStandardOutput) {
        m_direct = true;
        m_fd = ::dup(STDOUT_FILENO);
        return m_fd >= 0 || Fail(Stage::Create, ErrnoOr(EBADF));
    }
    struct stat status {
    };
    if (::stat(m_target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return Fail(Stage::Create, EISDIR);
        // A device (or a pipe) cannot be replaced by a rename: it is written directly.
        m_direct = !S_ISREG(status.st_mode);
    }
    if (m_direct) {
        errno = 0;
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        return m_fd >= 0 || Fail(Stage::Create, ErrnoOr(EIO));
    }
    const fs::path target = NativePath(m_target);
    const fs::path folder = target.parent_path();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(1, '.');
        name.append(target.filename().string())
            .append(".tmp")
            .append(std::to_string(stamp))
            .append("-")
            .append(std::to_string(attempt));
        const std::string temporary = folder.empty() ? name : (folder / name).string();
        errno = 0;
        m_fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temporary = temporary;
            return true;
        }
        if (errno != EEXIST)
            return Fail(Stage::Create, ErrnoOr(EIO));
    }
    return Fail(Stage::Create, EEXIST);
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
    }
    return true;
}

bool AtomicFile::Commit()
{
    if (m_fd < 0)
        return Fail(Stage::Write, m_errno != 0 ? m_errno : EBADF);
    errno = 0;
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(Stage::Write, ErrnoOr(EIO));
    if (m_direct)
        return true;
    errno = 0;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return Fail(Stage::Write, ErrnoOr(EIO));
    m_temporary.clear();
    return true;
}
