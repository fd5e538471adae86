#pragma once

// What a window shows as it is made, on every system: both rows of time fields at the moment it
// was made (between `before` and `after`, to the second), and empty path panels and labels.

#include <QDateTime>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <gtest/gtest.h>

inline void ExpectFreshWindow(const QWidget& form, const QDateTime& before, const QDateTime& after)
{
    constexpr std::array<const char*, 6> kSuffixes{"YY", "MM", "DD", "HH", "NN", "SS"};
    for (const char* role : {"Sta", "End"}) {
        std::array<int, 6> row{};
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = form.findChild<QSpinBox*>(
                             QStringLiteral("UpDown%1%2")
                                 .arg(QLatin1String(role), QLatin1String(kSuffixes[i])))
                         ->value();
        const QDateTime shown(QDate(row[0], row[1], row[2]), QTime(row[3], row[4], row[5]));
        EXPECT_GE(shown, before.addMSecs(-before.time().msec())) << role;
        EXPECT_LE(shown, after) << role;
    }
    for (const char* name : {"PanelSrcFn", "PanelDstFn", "LabelSta", "LabelEnd"})
        EXPECT_EQ(form.findChild<QLabel*>(name)->text(), "") << name;
}
