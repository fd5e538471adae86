// Bad inputs through the window: the load and export commands driven with FakeDialogs. Each case
// states the error box (or none), what the panels show, what the table keeps and which files
// exist afterwards with which content.

#include "FakeDialogs.h"
#include "QtPrint.h"
#include "app/FormMain.h"
#include "messages/ErrorText.h"
#include "support/BadFiles.h"
#include "support/LogWriter.h"
#include "system/Paths.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace t2ntest;
namespace fs = std::filesystem;

namespace {

// A path as the window's panels show it: with the system's separators.
QString Native(const std::string& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

constexpr std::size_t kMiB = std::size_t{1024} * 1024;
constexpr std::int32_t kGoodFixes = 3;

class WindowFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        form = std::make_unique<TFormMain>(store, dialogs);
        form->show();
    }

    template <class T> T* Find(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return widget;
    }
    QString Text(const char* name) const { return Find<QLabel>(name)->text(); }
    void Click(const char* name) const
    {
        QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton);
    }
    void Load(const std::string& path)
    {
        dialogs.OpenAnswer = QString::fromStdString(path);
        Click("ButtonOpen");
    }
    void Export(const std::string& path)
    {
        dialogs.SaveAnswer = QString::fromStdString(path);
        Click("ButtonOut");
    }

    ConversionService store;
    FakeDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TFormMain> form;
};

// --- Loading ---------------------------------------------------------------------------------

struct LoadCase {
    const char* name;
    // The path to load, or nothing when the case cannot be made here.
    std::function<std::optional<std::string>(const TempDir&)> make;
    QString error; // a part of the error box's text; empty: no box
    bool accepted; // the log was read: the panel shows it and the table holds its fixes
};

void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.name; }

class WindowLoad : public WindowFixture, public ::testing::WithParamInterface<LoadCase>
{
};

// A good log is loaded first: an ignored or failed load must leave its fixes in the table.
TEST_P(WindowLoad, ErrorBoxPanelAndTable)
{
    const LoadCase& c = GetParam();
    const std::string good = dir.Write("good.bin", BlockLogWithFixes());
    Load(good);
    ASSERT_EQ(store.FixCount(), kGoodFixes);
    const std::optional<std::string> path = c.make(dir);
    if (!path)
        GTEST_SKIP() << "running as root and no write-only kernel attribute to read";

    Load(*path);

    if (c.error.isEmpty())
        EXPECT_TRUE(dialogs.Errors.isEmpty()) << dialogs.Errors.join(u'|').toStdString();
    else
        EXPECT_TRUE(dialogs.Errors.size() == 1 && dialogs.Errors[0].contains(c.error))
            << dialogs.Errors.join(u'|').toStdString();
    if (!c.accepted) {
        EXPECT_EQ(Text("PanelSrcFn"), Native(good));
        EXPECT_EQ(store.FixCount(), kGoodFixes);
        return;
    }
    EXPECT_EQ(Text("PanelSrcFn"), Native(*path));
    // Whatever the log held, the export writes only well-formed lines, or is not offered.
    const std::int32_t fixes = store.FixCount();
    const std::string target = (dir.Path() / "out.nmea").string();
    Export(target);
    if (fixes == 0) {
        EXPECT_TRUE(dialogs.SaveFolders.isEmpty());
        EXPECT_FALSE(fs::exists(target));
    } else {
        EXPECT_TRUE(dialogs.Errors.isEmpty());
        EXPECT_NE(RmcLines(ReadWholeFile(target)), std::string::npos);
    }
}

const LoadCase kLoadCases[] = {
    {"MissingFile", [](const TempDir& d) { return (d.Path() / "nothing.bin").string(); },
     "は読み込めません。ファイルが見つかりません.", false},
    {"Folder",
     [](const TempDir& d) {
         fs::create_directory(d.Path() / "folder.bin");
         return (d.Path() / "folder.bin").string();
     },
     "ファイルでないもの", false},
    {"EmptyFile", [](const TempDir& d) { return d.Write("empty.bin", {}); }, {}, true},
    {"BlockLogOneByteShort", [](const TempDir& d) { return d.Write("short.bin", Bytes(65535, 0)); },
     "65536 バイト (ブロックログの単位) の整数倍ではありません", false},
    {"SectorLogOneByteOver",
     [](const TempDir& d) { return d.Write("long.BNX4", Bytes(4097, 0xFF)); },
     "4096 バイト (セクターログの単位) の整数倍ではありません", false},
    {"BlockLogOverSixteenMiB",
     [](const TempDir& d) { return d.Write("huge.bin", Bytes(16 * kMiB + 65536, 0xFF)); },
     "16 MiB (ロガーの記録容量) を超えています", false},
    {"UnreadableFile",
     [](const TempDir& d) { return UnreadableFile(d, "locked.BNX4", SectorLogWithFixes()); },
     QString::fromStdString(WithFinalPoint(IoErrorText(EACCES))), false},
    {"RandomBlockLog",
     [](const TempDir& d) { return d.Write("r.bin", RandomBytes(16 * kMiB, 3)); },
     {},
     true},
    {"RandomSectorLog",
     [](const TempDir& d) { return d.Write("r.BNX4", RandomBytes(16 * kMiB, 4)); },
     {},
     true},
    {"AllAaBlockLog",
     [](const TempDir& d) { return d.Write("a.bin", Bytes(16 * kMiB, 0xAA)); },
     {},
     true},
    {"AllAaSectorLog",
     [](const TempDir& d) { return d.Write("a.BNX4", Bytes(16 * kMiB, 0xAA)); },
     {},
     true},
    {"AllFfBlockLog",
     [](const TempDir& d) { return d.Write("f.bin", Bytes(16 * kMiB, 0xFF)); },
     {},
     true},
    {"AllFfSectorLog",
     [](const TempDir& d) { return d.Write("f.BNX4", Bytes(16 * kMiB, 0xFF)); },
     {},
     true},
    {"AllStarsBlockLog",
     [](const TempDir& d) { return d.Write("s.bin", Bytes(16 * kMiB, 0x2A)); },
     {},
     true},
    {"AllStarsSectorLog",
     [](const TempDir& d) { return d.Write("s.BNX4", Bytes(16 * kMiB, 0x2A)); },
     {},
     true},
    {"JapanesePathWithSpaces",
     [](const TempDir& d) { return d.Write("ログ フォルダ/朝の 走行.BNX4", SectorLogWithFixes()); },
     {},
     true},
};

INSTANTIATE_TEST_SUITE_P(Window, WindowLoad, ::testing::ValuesIn(kLoadCases),
                         [](const auto& p) { return std::string(p.param.name); });

// --- Exporting -------------------------------------------------------------------------------

struct FileState {
    std::string path;
    std::optional<std::string> content;    // nothing: the file must not exist
    std::size_t lines = std::string::npos; // when set: an RMC file of this many lines
};

struct ExportPlan {
    std::string log;    // the loaded log
    std::string chosen; // the save dialog's answer
    std::function<void(WindowFixture&)> before = {};
    QString error; // the error box's text; empty: the export succeeds
    std::vector<FileState> files;
    std::string skip;
};

struct ExportCase {
    const char* name;
    std::function<ExportPlan(const TempDir&)> plan;
};

void PrintTo(const ExportCase& c, std::ostream* out) { *out << c.name; }

class WindowExport : public WindowFixture, public ::testing::WithParamInterface<ExportCase>
{
  public:
    void SetStartDay(int month, int day)
    {
        Find<QSpinBox>("UpDownStaMM")->setValue(month);
        Find<QSpinBox>("UpDownStaDD")->setValue(day);
    }
};

std::string Keep(const TempDir& d, const std::string& name)
{
    return d.Write(name, {'k', 'e', 'e', 'p'});
}

TEST_P(WindowExport, ErrorBoxPanelAndFiles)
{
    const ExportPlan plan = GetParam().plan(dir);
    if (!plan.skip.empty())
        GTEST_SKIP() << plan.skip;
    Load(plan.log);
    ASSERT_GT(store.FixCount(), 0);
    if (plan.before)
        plan.before(*this);

    Export(plan.chosen);

    if (plan.error.isEmpty()) {
        EXPECT_TRUE(dialogs.Errors.isEmpty()) << dialogs.Errors.join(u'|').toStdString();
        EXPECT_FALSE(Text("PanelDstFn").isEmpty());
    } else {
        EXPECT_EQ(dialogs.Errors, QStringList{plan.error});
        EXPECT_EQ(Text("PanelDstFn"), QString());
    }
    for (const FileState& f : plan.files) {
        if (!f.content && f.lines == std::string::npos) {
            EXPECT_FALSE(fs::exists(NativePath(f.path))) << f.path;
            continue;
        }
        ASSERT_TRUE(fs::exists(NativePath(f.path))) << f.path;
        if (f.content)
            EXPECT_EQ(ReadWholeFile(f.path), *f.content) << f.path;
        else
            EXPECT_EQ(RmcLines(ReadWholeFile(f.path)), f.lines) << f.path;
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        EXPECT_EQ(Utf8Path(entry.path().filename()).find(".tmp"), std::string::npos)
            << Utf8Path(entry.path());
}

const ExportCase kExportCases[] = {
    {"OutputFolderMissing",
     [](const TempDir& d) {
         const std::string target = (d.Path() / "gone" / "out.nmea").string();
         return ExportPlan{d.Write("t.bin", BlockLogWithFixes()),
                           target,
                           {},
                           QString::fromStdString(WithFinalPoint(CreateErrorText(target, ENOENT))),
                           {{target, std::nullopt}},
                           {}};
     }},
    {"OutputOnAFullDevice",
     [](const TempDir& d) {
         if (!fs::exists("/dev/full"))
             return ExportPlan{{}, {}, {}, {}, {}, "no /dev/full on this system"};
         // The save name gets ".nmea", so the device is reached through a link of that name.
         const fs::path link = d.Path() / "full.nmea";
         fs::create_symlink("/dev/full", link);
         return ExportPlan{d.Write("t.bin", BlockLogWithFixes()),
                           link.string(),
                           {},
                           QStringLiteral("ディスクがいっぱいです."),
                           {},
                           {}};
     }},
    {"SaveNameIsTheLoadedLog",
     [](const TempDir& d) {
         const Bytes log = BlockLogWithFixes();
         const std::string path = d.Write("x.nmea", log);
         return ExportPlan{path,
                           path,
                           {},
                           QString::fromStdString(WithFinalPoint(kSameFileError)),
                           {{path, std::string(log.begin(), log.end())}},
                           {}};
     }},
    {"SaveNameBecomesTheLoadedLog",
     [](const TempDir& d) {
         // "x.txt" is written as "x.nmea", which is the log.
         const Bytes log = BlockLogWithFixes();
         const std::string path = d.Write("x.nmea", log);
         return ExportPlan{path,
                           (d.Path() / "x.txt").string(),
                           {},
                           QString::fromStdString(WithFinalPoint(kSameFileError)),
                           {{path, std::string(log.begin(), log.end())},
                            {(d.Path() / "x.txt").string(), std::nullopt}},
                           {}};
     }},
    {"ExistingOutputKeptWhenTheDateIsImpossible",
     [](const TempDir& d) {
         const std::string kept = Keep(d, "out.nmea");
         return ExportPlan{
             d.Write("t.bin", BlockLogWithFixes()),
             kept,
             [](WindowFixture& f) { static_cast<WindowExport&>(f).SetStartDay(2, 30); },
             QString::fromStdString(WithFinalPoint(kDateConversionError)),
             {{kept, "keep"}},
             {}};
     }},
    {"ExistingOutputKeptWhenTheFolderIsMissing",
     [](const TempDir& d) {
         const std::string kept = Keep(d, "out.nmea");
         const std::string target = (d.Path() / "gone" / "out.nmea").string();
         return ExportPlan{d.Write("t.bin", BlockLogWithFixes()),
                           target,
                           {},
                           QString::fromStdString(WithFinalPoint(CreateErrorText(target, ENOENT))),
                           {{kept, "keep"}},
                           {}};
     }},
    {"ExistingOutputReplaced",
     [](const TempDir& d) {
         const std::string old = Keep(d, "out.nmea");
         return ExportPlan{d.Write("t.bin", BlockLogWithFixes()),
                           old,
                           {},
                           {},
                           {{old, std::nullopt, static_cast<std::size_t>(kGoodFixes)}},
                           {}};
     }},
    {"JapanesePathsWithSpaces",
     [](const TempDir& d) {
         fs::create_directories(d.Path() / NativePath("出力 先"));
         const std::string chosen = Utf8Path(d.Path() / NativePath("出力 先/東京 横浜.txt"));
         return ExportPlan{
             d.Write("ログ フォルダ/朝の 走行.BNX4", SectorLogWithFixes()),
             chosen,
             {},
             {},
             {{Utf8Path(d.Path() / NativePath("出力 先/東京 横浜.nmea")), std::nullopt, 12},
              {chosen, std::nullopt}},
             {}};
     }},
};

INSTANTIATE_TEST_SUITE_P(Window, WindowExport, ::testing::ValuesIn(kExportCases),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
