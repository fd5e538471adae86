#pragma once

#include "convert/TimeWindow.h"

#include <QWidget>
#include <array>
#include <optional>

class QSpinBox;

// The twelve date and time controls of the export window in one row: the start and the end,
// each as year, month, day, hour, minute and second ("UpDownStaYY" ... "UpDownEndSS", each with
// its edit "EditStaYY" ...), with the separators between them. The one owner of those controls:
// everything else reads and sets the window through it.
class TimeRangeEdit final : public QWidget
{
    Q_OBJECT

  public:
    // The years the year fields hold: from the start of GPS time.
    static constexpr int kFirstYear = 1980;
    static constexpr int kLastYear = 2099;
    // The earliest and the latest moment the fields can show (1980/01/01 00:00:00 and
    // 2099/12/31 23:59:59): a fix before Start, or at or after End, is outside every window they
    // hold.
    [[nodiscard]] static MsWindow Reach();

    // Placed in its parent at the design's place for the row.
    explicit TimeRangeEdit(QWidget* parent);

    // The window the controls hold, whole seconds of local standard time; nothing while either
    // side is a date that does not exist (2024/02/30).
    [[nodiscard]] std::optional<MsWindow> Window() const;
    // Sets both sides, each cut to its second and clamped to what the fields can show. Emits
    // WindowEdited only when the user changes a control, never for this.
    void SetWindow(const MsWindow& window);
    // The controls in tab order, start year to end second.
    [[nodiscard]] const std::array<QSpinBox*, 12>& Controls() const { return m_controls; }

  signals:
    // The user changed a control.
    void WindowEdited();

  private:
    // Marks the day field of a side whose date does not exist (2024/02/30) in the error colours,
    // with a tooltip, as soon as it is set; the export refuses the window then.
    void MarkImpossibleDates();

    std::array<QSpinBox*, 12> m_controls{};
};
