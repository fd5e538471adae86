#include "app/TimeRangeEdit.h"

#include "app/AppText.h"
#include "convert/TimeWindow.h"
#include "store/TimeBase.h"

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

namespace {

// The row's place in its group box, which the design gives in the group box's pixels.
constexpr QPoint kRowOrigin(24, 43);
constexpr QSize kRowSize(744, 24);

// One date or time field of a side: its name suffix, range, longest text and edit width. The
// spin buttons are 16 pixels wide and sit right of their edit; every control is 23 high.
struct TimeField {
    const char* Suffix;
    int Min;
    int Max;
    int MaxLength;
    int EditWidth;
};
constexpr std::array<TimeField, 6> kTimeFields{{
    {"YY", TimeRangeEdit::kFirstYear, TimeRangeEdit::kLastYear, 4, 41},
    {"MM", 1, 12, 2, 25},
    {"DD", 1, 31, 2, 25},
    {"HH", 0, 23, 2, 25},
    {"NN", 0, 59, 2, 25},
    {"SS", 0, 59, 2, 25},
}};
constexpr std::size_t kDayField = 2;
// The colours of a day field whose date does not exist: the error colours of the usual styles.
constexpr QRgb kImpossibleDateBase = qRgb(255, 224, 224);
constexpr QRgb kImpossibleDateText = qRgb(164, 0, 0);
// Left edges in the group box's pixels.
constexpr std::array<int, 6> kStaEditLeft{24, 96, 152, 208, 260, 312};
constexpr std::array<int, 6> kEndEditLeft{392, 464, 520, 576, 628, 680};
constexpr int kSpinWidth = 16;
constexpr int kTimeRowHeight = 23;

struct Separator {
    const char* Name;
    int Left;
    const char* Caption;
};
constexpr int kSeparatorTop = 48;
constexpr std::array<Separator, 10> kSeparators{{
    {"Label5", 84, "/"},
    {"Label6", 140, "/"},
    {"Label7", 252, ":"},
    {"Label8", 304, ":"},
    {"Label9", 360, "から"},
    {"Label10", 452, "/"},
    {"Label11", 508, "/"},
    {"Label12", 620, ":"},
    {"Label13", 672, ":"},
    {"Label14", 728, "まで"},
}};

// The edit ("Edit...") is the spin box's own line edit; the spin box is the "UpDown..." control.
QSpinBox* MakeTimeControl(QWidget* parent, const QString& role, const TimeField& field, int left)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QStringLiteral("UpDown") + role + QLatin1String(field.Suffix));
    spin->setRange(field.Min, field.Max);
    spin->setSingleStep(1);
    spin->setWrapping(false);
    spin->setGroupSeparatorShown(false);
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    spin->setGeometry(left - kRowOrigin.x(), 0, field.EditWidth + kSpinWidth, kTimeRowHeight);
    // Digits are typed directly, never through an input method.
    spin->setAttribute(Qt::WA_InputMethodEnabled, false);
    spin->setInputMethodHints(Qt::ImhDigitsOnly);

    auto* edit = spin->findChild<QLineEdit*>();
    edit->setObjectName(QStringLiteral("Edit") + role + QLatin1String(field.Suffix));
    edit->setMaxLength(field.MaxLength);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setInputMethodHints(Qt::ImhDigitsOnly);
    // A file dropped on the window is opened, also over a field, whose edit would take the
    // drop as text.
    edit->setAcceptDrops(false);
    return spin;
}

// The nearest moment the fields can show, in whole seconds: anything before the first year's
// start becomes that moment, anything after the last year's end that one.
CalendarTime ClampToFields(std::int64_t ms)
{
    const MsWindow reach = TimeRangeEdit::Reach();
    return MillisecondsToCalendar(std::clamp(FloorToSecond(ms), reach.Start, reach.End));
}

} // namespace

TimeRangeEdit::TimeRangeEdit(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TimeRangeEdit"));
    setGeometry(QRect(kRowOrigin, kRowSize));
    for (const Separator& separator : kSeparators) {
        auto* label = new QLabel(QString::fromUtf8(separator.Caption), this);
        label->setObjectName(QString::fromLatin1(separator.Name));
        label->move(separator.Left - kRowOrigin.x(), kSeparatorTop - kRowOrigin.y());
        label->adjustSize();
    }
    for (std::size_t i = 0; i < kTimeFields.size(); ++i)
        m_controls[i] =
            MakeTimeControl(this, QStringLiteral("Sta"), kTimeFields[i], kStaEditLeft[i]);
    for (std::size_t i = 0; i < kTimeFields.size(); ++i)
        m_controls[i + 6] =
            MakeTimeControl(this, QStringLiteral("End"), kTimeFields[i], kEndEditLeft[i]);
    for (QSpinBox* spin : m_controls) {
        connect(spin, &QSpinBox::valueChanged, this, &TimeRangeEdit::MarkImpossibleDates);
        connect(spin, &QSpinBox::valueChanged, this, &TimeRangeEdit::WindowEdited);
    }
}

MsWindow TimeRangeEdit::Reach()
{
    return {CalendarToMilliseconds({kFirstYear, 1, 1, 0, 0, 0, 0}),
            CalendarToMilliseconds({kLastYear, 12, 31, 23, 59, 59, 0})};
}

std::optional<MsWindow> TimeRangeEdit::Window() const
{
    std::array<std::int64_t, 2> sides{};
    for (std::size_t side = 0; side < sides.size(); ++side) {
        const auto value = [&](std::size_t field) { return m_controls[side * 6 + field]->value(); };
        if (!EncodeDate(value(0), value(1), value(2)))
            return std::nullopt;
        sides[side] =
            CalendarToMilliseconds({value(0), value(1), value(2), value(3), value(4), value(5), 0});
    }
    return MsWindow{sides[0], sides[1]};
}

void TimeRangeEdit::MarkImpossibleDates()
{
    for (std::size_t side = 0; side < 2; ++side) {
        const auto value = [&](std::size_t field) { return m_controls[side * 6 + field]->value(); };
        const bool impossible = !EncodeDate(value(0), value(1), value(2));
        QSpinBox* day = m_controls[side * 6 + kDayField];
        QPalette palette = this->palette();
        if (impossible) {
            palette.setColor(QPalette::Base, QColor(kImpossibleDateBase));
            palette.setColor(QPalette::Text, QColor(kImpossibleDateText));
        }
        day->setPalette(palette);
        day->setToolTip(impossible ? kImpossibleDateToolTip : QString());
    }
}

void TimeRangeEdit::SetWindow(const MsWindow& window)
{
    const std::array<CalendarTime, 2> sides{ClampToFields(window.Start), ClampToFields(window.End)};
    for (std::size_t side = 0; side < sides.size(); ++side) {
        const CalendarTime& t = sides[side];
        const std::array<int, 6> values{t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second};
        for (std::size_t field = 0; field < values.size(); ++field) {
            QSpinBox* spin = m_controls[side * 6 + field];
            const QSignalBlocker quiet(spin);
            spin->setValue(values[field]);
        }
    }
    MarkImpossibleDates();
}
