#include "app/TimeRangeEdit.h"

#include "convert/TimeWindow.h"
#include "store/TimeBase.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using Fields = std::tuple<int, int, int, int, int, int>;

// What one side of the range shows.
Fields Shown(const TimeRangeEdit& range, std::size_t side)
{
    const auto& c = range.Controls();
    const std::size_t at = side * 6;
    return {c[at]->value(),     c[at + 1]->value(), c[at + 2]->value(),
            c[at + 3]->value(), c[at + 4]->value(), c[at + 5]->value()};
}

std::int64_t Ms(const CalendarTime& t) { return CalendarToMilliseconds(t); }

// The preset that covers a fix: the start its second, the end one second later (carried through
// minute, hour, day, month and year), both kept in the years the fields hold, 1980 to 2099.
TEST(TimeRangeEdit, CoveringPresetCarriesAndClamps)
{
    struct Case {
        const char* What;
        CalendarTime Fix;
        Fields Start;
        Fields End;
    };
    const Case cases[] = {
        {"plain second",
         {2021, 5, 3, 12, 34, 56, 789},
         {2021, 5, 3, 12, 34, 56},
         {2021, 5, 3, 12, 34, 57}},
        {"minute", {2021, 5, 3, 12, 34, 59, 0}, {2021, 5, 3, 12, 34, 59}, {2021, 5, 3, 12, 35, 0}},
        {"hour", {2021, 5, 3, 12, 59, 59, 999}, {2021, 5, 3, 12, 59, 59}, {2021, 5, 3, 13, 0, 0}},
        {"day", {2021, 5, 3, 23, 59, 59, 0}, {2021, 5, 3, 23, 59, 59}, {2021, 5, 4, 0, 0, 0}},
        {"30-day month",
         {2021, 4, 30, 23, 59, 59, 0},
         {2021, 4, 30, 23, 59, 59},
         {2021, 5, 1, 0, 0, 0}},
        {"leap day",
         {2024, 2, 28, 23, 59, 59, 0},
         {2024, 2, 28, 23, 59, 59},
         {2024, 2, 29, 0, 0, 0}},
        {"no leap day",
         {2023, 2, 28, 23, 59, 59, 0},
         {2023, 2, 28, 23, 59, 59},
         {2023, 3, 1, 0, 0, 0}},
        {"century leap day",
         {2000, 2, 29, 23, 59, 59, 0},
         {2000, 2, 29, 23, 59, 59},
         {2000, 3, 1, 0, 0, 0}},
        {"year",
         {2023, 12, 31, 23, 59, 59, 999},
         {2023, 12, 31, 23, 59, 59},
         {2024, 1, 1, 0, 0, 0}},
        {"into 2100",
         {2099, 12, 31, 23, 59, 59, 0},
         {2099, 12, 31, 23, 59, 59},
         {2099, 12, 31, 23, 59, 59}},
        {"1999: the fields reach back to 1980",
         {1999, 12, 31, 23, 59, 58, 0},
         {1999, 12, 31, 23, 59, 58},
         {1999, 12, 31, 23, 59, 59}},
        {"last second of 1999",
         {1999, 12, 31, 23, 59, 59, 0},
         {1999, 12, 31, 23, 59, 59},
         {2000, 1, 1, 0, 0, 0}},
        {"1988, a log of the first GPS receivers",
         {1988, 2, 29, 12, 0, 0, 250},
         {1988, 2, 29, 12, 0, 0},
         {1988, 2, 29, 12, 0, 1}},
        {"first second of 1980",
         {1980, 1, 1, 0, 0, 0, 999},
         {1980, 1, 1, 0, 0, 0},
         {1980, 1, 1, 0, 0, 1}},
        {"before 1980",
         {1979, 12, 31, 23, 59, 59, 0},
         {1980, 1, 1, 0, 0, 0},
         {1980, 1, 1, 0, 0, 0}},
        {"1970", {1970, 1, 1, 9, 0, 0, 0}, {1980, 1, 1, 0, 0, 0}, {1980, 1, 1, 0, 0, 0}},
        {"after 2099",
         {2105, 3, 1, 0, 0, 0, 0},
         {2099, 12, 31, 23, 59, 59},
         {2099, 12, 31, 23, 59, 59}},
    };
    QWidget parent;
    TimeRangeEdit range(&parent);
    int edits = 0;
    QObject::connect(&range, &TimeRangeEdit::WindowEdited, [&edits] { ++edits; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        range.SetWindow(CoveringWindow(Ms(c.Fix), Ms(c.Fix)));
        EXPECT_EQ(Shown(range, 0), c.Start);
        EXPECT_EQ(Shown(range, 1), c.End);
    }
    EXPECT_EQ(edits, 0); // setting the window is no edit of the user's

    // What the fields show is the window they give back; a day that does not exist gives none.
    range.SetWindow({Ms({2021, 5, 3, 12, 0, 0, 0}), Ms({2021, 5, 3, 13, 0, 0, 0})});
    ASSERT_TRUE(range.Window());
    EXPECT_EQ(range.Window()->End - range.Window()->Start, kMsPerHour);
    range.Controls()[2]->setValue(31); // 2021/05/31
    EXPECT_EQ(edits, 1);
    range.Controls()[1]->setValue(2); // 2021/02/31
    EXPECT_FALSE(range.Window());
}

// A date that does not exist is marked on its day field as soon as it is typed, and the mark
// leaves with the last field that made it so.
TEST(TimeRangeEdit, MarksAnImpossibleDateAtOnce)
{
    QWidget parent;
    TimeRangeEdit range(&parent);
    parent.show();
    const auto spin = [&range](const char* name) {
        return range.findChild<QSpinBox*>(QString::fromLatin1(name));
    };
    const QColor normal = spin("UpDownStaDD")->palette().color(QPalette::Base);
    const auto marked = [&](const char* name) {
        const QSpinBox* day = spin(name);
        const bool red = day->palette().color(QPalette::Base) != normal;
        EXPECT_EQ(red, !day->toolTip().isEmpty()) << name;
        return red;
    };
    struct Case {
        const char* Field; // set to `Value`, the other fields kept
        int Value;
        bool StartMarked;
        bool EndMarked;
    };
    range.SetWindow({Ms({2024, 2, 10, 0, 0, 0, 0}), Ms({2024, 4, 30, 0, 0, 0, 0})});
    const Case cases[] = {
        {"UpDownStaDD", 29, false, false},  // 2024/02/29
        {"UpDownStaYY", 2023, true, false}, // 2023/02/29
        {"UpDownEndDD", 31, true, true},    // 2024/04/31
        {"UpDownStaMM", 3, false, true},    // 2023/03/29
        {"UpDownEndMM", 5, false, false},   // 2024/05/31
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Field);
        spin(c.Field)->setValue(c.Value);
        EXPECT_EQ(marked("UpDownStaDD"), c.StartMarked);
        EXPECT_EQ(marked("UpDownEndDD"), c.EndMarked);
        EXPECT_EQ(!range.Window(), c.StartMarked || c.EndMarked);
    }

    // Typed into the edit: 2024/02/30.
    range.SetWindow({Ms({2024, 2, 10, 0, 0, 0, 0}), Ms({2024, 2, 11, 0, 0, 0, 0})});
    auto* edit = range.findChild<QLineEdit*>(QStringLiteral("EditStaDD"));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "30");
    EXPECT_EQ(spin("UpDownStaDD")->value(), 30);
    EXPECT_TRUE(marked("UpDownStaDD"));
    EXPECT_EQ(spin("UpDownStaDD")->toolTip(), "この日付はありません");
    // A preset is always a real date.
    range.SetWindow({Ms({2024, 2, 10, 0, 0, 0, 0}), Ms({2024, 2, 11, 0, 0, 0, 0})});
    EXPECT_FALSE(marked("UpDownStaDD"));
}

} // namespace
