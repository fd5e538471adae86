#pragma once

#include <QString>

// One test of this program run again in a child process, on an offscreen screen of `width` ×
// `height` device pixels at the scale `scale` (QT_SCALE_FACTOR); `childMark` is set in the child's
// environment so that the parent's test can tell it is the child.
struct ChildRun {
    int ExitCode = -1;
    QString Output; // standard output and error together
    [[nodiscard]] bool Passed() const;
};
[[nodiscard]] ChildRun RunOnScreen(const QString& testFilter, int width, int height,
                                   const QString& scale, const QString& childMark);
