#include "system/AtomicFile.h"

#include "support/LogWriter.h"
#include "system/Paths.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

// 0, or the errno value times 10 plus the failed stage (1 create, 2 write).
int Put(const std::string& target)
{
    AtomicFile file(target);
    const bool ok = file.Open() && file.Write("new", 3) && file.Commit();
    return ok ? 0 : file.Errno() * 10 + static_cast<int>(file.FailedStage());
}

} // namespace

#ifdef _WIN32

#include <windows.h>

namespace {

// Read-only and hidden files, a file another program holds open without sharing its deletion, a
// folder in the way, the NUL device. (Japanese names, links and missing folders: the CLI tests.)
TEST(AtomicFile, WindowsAttributesAndSharing)
{
    TempDir d;
    const auto at = [&](const char* name) { return NativePath(Utf8Path(d.Path()) + "/" + name); };
    SetFileAttributesW(NativePath(d.Write("読み取り専用", {'o'})).c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(NativePath(d.Write("隠し", {'o'})).c_str(), FILE_ATTRIBUTE_HIDDEN);
    const HANDLE busy = CreateFileW(NativePath(d.Write("使用中", {'o'})).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(Put(Utf8Path(at("読み取り専用"))), EACCES * 10 + 1);
    EXPECT_EQ(Put(Utf8Path(at("使用中"))), EACCES * 10 + 2);
    EXPECT_EQ(Put(Utf8Path(at("隠し"))), 0);
    EXPECT_EQ(Put(Utf8Path(d.Path())), EISDIR * 10 + 1);
    EXPECT_EQ(Put("NUL"), 0);
    CloseHandle(busy);
    EXPECT_EQ(ReadWholeFile(Utf8Path(at("読み取り専用"))) + ReadWholeFile(Utf8Path(at("使用中"))) +
                  ReadWholeFile(Utf8Path(at("隠し"))),
              "oonew");
    EXPECT_NE(GetFileAttributesW(at("隠し").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(d.Path()), {}), 3); // no temporary file left
    SetFileAttributesW(at("読み取り専用").c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace

#else

#include <cctype>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

// The writer's fsyncs: 'f' file, 'd' folder, 'o' other; upper case once g_watched holds "new".
static std::string g_syncs, g_watched;
static int g_syncError = 0;

extern "C" int fsync(int fd)
{
    struct stat st = {};
    ::fstat(fd, &st);
    const char kind = S_ISREG(st.st_mode) ? 'f' : S_ISDIR(st.st_mode) ? 'd' : 'o';
    g_syncs += ReadWholeFile(g_watched) == "new" ? static_cast<char>(std::toupper(kind)) : kind;
    return g_syncError != 0 ? errno = g_syncError, -1 : static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

TEST(AtomicFile, WhereTheBytesGoAndWhatTheReplacementKeeps)
{
    TempDir d;
    const std::string p = d.Path().string() + "/";
    std::string longName = ".nmea"; // 254 bytes
    while (longName.size() < 254)
        longName.insert(0, "あ");
    int pipe[2] = {-1, -1};
    ASSERT_EQ(::pipe2(pipe, O_NONBLOCK), 0);
    ::dup2(pipe[1], 200); // a pipe behind /proc/self/fd, as /dev/stdout is
    ::dup2(::open(d.Write("held", {}).c_str(), O_RDWR), 201);
    ::chmod(d.Write("h1", {'o'}).c_str(), 0604);
    fs::create_hard_link(p + "h1", p + "h2");
    fs::create_directory(p + "sub");
    fs::create_symlink("../real", p + "sub/l2");
    d.Write("real", {'o'});
    const bool root = ::geteuid() == 0; // only root may give the replacement another owner
    EXPECT_EQ(root ? ::chown((p + "h1").c_str(), 65534, 65534) : 0, 0);
    const mode_t previousMask = ::umask(027);
    const struct {
        std::string target, link, shows, syncs;
        int result;
    } rows[] = {
        {"new", "", "new", "fD", 0},
        {"chain", "sub/l2", "real", "fD", 0},
        {"dangling", "sub/made", "sub/made", "fD", 0},
        {"lost", "no/x", "", "", ENOENT * 10 + 1},
        {"h1", "", "h1", "fD", 0},
        {longName, "", longName, "fD", 0},
        {"stdout", "/proc/self/fd/200", "", "", 0},
        {"held-link", "/proc/self/fd/201", "held", "fD", 0},
    };
    for (const auto& row : rows) {
        if (!row.link.empty())
            fs::create_symlink(row.link, p + row.target);
        g_watched = row.shows.empty() ? "" : p + row.shows;
        g_syncs.clear();
        EXPECT_EQ(Put(p + row.target), row.result) << row.target;
        EXPECT_EQ(g_syncs, row.syncs) << row.target;
        EXPECT_EQ(row.shows.empty() ? "new" : ReadWholeFile(g_watched), "new") << row.target;
        EXPECT_TRUE(row.link.empty() || fs::is_symlink(p + row.target)) << row.target;
    }
    ::umask(previousMask);
    g_syncError = EIO; // a failed sync, before the rename, leaves the old file
    EXPECT_EQ(Put(p + "h2"), EIO * 10 + 2);
    g_syncError = 0;
    char got[8] = {};
    EXPECT_EQ(::read(pipe[0], got, sizeof got), 3);
    EXPECT_EQ(ReadWholeFile(p + "h2") + got, "onew");
    struct stat made = {}, kept = {};
    EXPECT_EQ(::stat((p + "new").c_str(), &made) + ::stat((p + "h1").c_str(), &kept), 0);
    EXPECT_EQ(made.st_mode & 07777, 0640u);
    EXPECT_EQ(kept.st_mode & 07777, 0604u);
    EXPECT_EQ(kept.st_uid, root ? 65534u : ::geteuid());
    for (const auto& e : fs::recursive_directory_iterator(d.Path()))
        EXPECT_NE(e.path().filename().string().rfind(".t2n-", 0), 0u) << e.path();
    for (const int fd : {pipe[0], pipe[1], 200, 201})
        ::close(fd);
}

// As a user (nobody, when the test runs as root): a read-only file is refused although its folder
// would allow a rename; a writable file in a read-only folder is written in place.
TEST(AtomicFile, ReadOnlyFileAndReadOnlyFolder)
{
    TempDir d;
    fs::permissions(d.Path(), fs::perms::all);
    fs::permissions(d.Write("locked", {'o'}), fs::perms::owner_read | fs::perms::others_read);
    fs::permissions(d.Write("ro/open", {'o'}), fs::perms::all);
    fs::permissions(d.Path() / "ro", fs::perms::owner_all | fs::perms::others_exec);
    const std::string p = d.Path().string() + "/";
    const auto both = [&] {
        return Put(p + "locked") == EACCES * 10 + 1 ? Put(p + "ro/open") : 255;
    };
    const pid_t pid = ::geteuid() == 0 ? ::fork() : -1;
    if (pid == 0)
        ::_exit(::setgroups(0, nullptr) || ::setgid(65534) || ::setuid(65534) ? 254 : both());
    int status = 0;
    EXPECT_EQ(pid < 0 ? both() : ::waitpid(pid, &status, 0) > 0 ? status : -1, 0);
    EXPECT_EQ(ReadWholeFile(p + "locked") + ReadWholeFile(p + "ro/open"), "onew");
}

} // namespace

#endif
