#include "app/Platform.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Platform, LocaleSeparatorsWithFallbacks)
{
    struct Case {
        const char* Locale;
        const char* Date;
        const char* Time;
    };
    for (const Case& c : {Case{"ja_JP", "/", ":"}, Case{"de_DE", ".", ":"}, Case{"en_US", "/", ":"},
                          Case{"fi_FI", ".", "."}, Case{"nl_NL", "-", ":"}}) {
        SCOPED_TRACE(c.Locale);
        const QLocale locale(QString::fromLatin1(c.Locale));
        EXPECT_EQ(DateSeparator(locale), c.Date);
        EXPECT_EQ(TimeSeparator(locale), c.Time);
    }
}

TEST(Platform, FolderFallsBackToHome)
{
    QTemporaryDir existing;
    EXPECT_EQ(FolderOrHome(existing.path()), QDir::cleanPath(existing.path()));
    EXPECT_EQ(FolderOrHome(QString()), QDir::homePath());
    EXPECT_EQ(FolderOrHome(existing.filePath("missing")), QDir::homePath());
}

} // namespace
