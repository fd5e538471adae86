#include "ScreenChild.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

bool ChildRun::Passed() const
{
    return ExitCode == 0 && Output.contains(QStringLiteral("[  PASSED  ] 1 test"));
}

ChildRun RunOnScreen(const QString& testFilter, int width, int height, const QString& scale,
                     const QString& childMark)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("screen.json")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral(R"({"screens": [{"name": "s", "x": 0, "y": 0, "width": %1, )"
                              R"("height": %2, "logicalDpi": 96, "dpr": 1}]})")
                   .arg(width)
                   .arg(height)
                   .toUtf8());
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(childMark, QStringLiteral("1"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    // The offscreen platform splits its options at ':', so the file is named from the child's
    // working folder: a drive letter's colon would cut an absolute path on Windows.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=screen.json"));
    QProcess child;
    child.setWorkingDirectory(folder.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + testFilter});
    if (!child.waitForFinished(120000))
        return {-1, QStringLiteral("the child did not finish")};
    return {child.exitCode(), QString::fromLocal8Bit(child.readAll())};
}
