#include "convert/MovingFigures.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>

namespace {

// The hysteresis of the climbs. Before the first turn the lowest and highest heights so far are
// kept; afterwards the extreme of the current climb or descent.
class ClimbCounter
{
  public:
    void Add(double heightM)
    {
        if (!m_any) {
            m_any = true;
            m_low = m_high = heightM;
            return;
        }
        if (m_direction == 0) {
            if (heightM - m_low >= kClimbHysteresisM)
                Turn(1, heightM - m_low, heightM);
            else if (m_high - heightM >= kClimbHysteresisM)
                Turn(-1, m_high - heightM, heightM);
            m_low = std::min(m_low, heightM);
            m_high = std::max(m_high, heightM);
        } else if ((heightM - m_turn) * m_direction > 0) {
            Turn(m_direction, std::fabs(heightM - m_turn), heightM); // a new extreme
        } else if ((m_turn - heightM) * m_direction >= kClimbHysteresisM) {
            Turn(-m_direction, std::fabs(heightM - m_turn), heightM); // a turn
        }
    }
    void Fill(MovingFigures& figures) const
    {
        if (!m_any)
            return;
        figures.AscentM = m_ascentM;
        figures.DescentM = m_descentM;
    }

  private:
    // Goes on in `direction` to the extreme `heightM`, `changeM` further.
    void Turn(int direction, double changeM, double heightM)
    {
        (direction > 0 ? m_ascentM : m_descentM) += changeM;
        m_direction = direction;
        m_turn = heightM;
    }

    bool m_any = false;
    double m_low = 0;    // before the first turn
    double m_high = 0;   // before the first turn
    int m_direction = 0; // 1 climbing, -1 falling, 0 not yet either
    double m_turn = 0;   // the highest point of a climb, the lowest of a descent
    double m_ascentM = 0;
    double m_descentM = 0;
};

// The speed of a step between two fixes `ms` apart, in km/h.
double StepKmh(const TGpsFix& a, const TGpsFix& b, std::int64_t ms)
{
    const bool aSpeed = std::isfinite(a.Speed);
    const bool bSpeed = std::isfinite(b.Speed);
    if (aSpeed && bSpeed)
        return (static_cast<double>(a.Speed) + b.Speed) / 2;
    if (aSpeed || bSpeed)
        return aSpeed ? a.Speed : b.Speed;
    const double lengthM = GreatCircleM(a.Latitude, a.Longitude, b.Latitude, b.Longitude);
    return lengthM / (static_cast<double>(ms) / 1000.0) * 3.6;
}

MovingFigures MeasureTrip(std::span<const TGpsFix> fixes, const TripAnalysis& trips,
                          const Trip& trip)
{
    MovingFigures figures;
    ClimbCounter climbs;
    double kmhMs = 0; // the moving steps' speeds times their milliseconds
    const TGpsFix* last = nullptr;
    std::int64_t lastMs = 0;
    for (std::size_t position = trip.Begin; position < trip.End; ++position) {
        const TGpsFix& fix = fixes[trips.TableIndex(position)];
        const TrackStep step =
            position < trips.Steps.size() ? trips.Steps[position] : TrackStep::Path;
        // A receiver's glitch is no movement and no climb; no step leads to a jump's end.
        if (!HasPosition(fix) || step == TrackStep::Excursion)
            continue;
        if (step == TrackStep::Jump)
            last = nullptr;
        const std::int64_t ms = DayCountToMilliseconds(fix.Time);
        if (last != nullptr && ms > lastMs) {
            const double kmh = StepKmh(*last, fix, ms - lastMs);
            if (kmh > kMovingKmh) {
                figures.MovingMs += ms - lastMs;
                kmhMs += kmh * static_cast<double>(ms - lastMs);
            }
        }
        if (std::isfinite(fix.ExtraValue))
            climbs.Add(fix.ExtraValue);
        last = &fix;
        lastMs = ms;
    }
    if (figures.MovingMs > 0)
        figures.AvgMovingKmh = kmhMs / static_cast<double>(figures.MovingMs);
    climbs.Fill(figures);
    return figures;
}

} // namespace

std::vector<MovingFigures> MeasureMoving(std::span<const TGpsFix> fixes, const TripAnalysis& trips)
{
    std::vector<MovingFigures> figures;
    figures.reserve(trips.Trips.size());
    for (const Trip& trip : trips.Trips)
        figures.push_back(MeasureTrip(fixes, trips, trip));
    return figures;
}

MovingFigures AddMoving(std::span<const MovingFigures> trips)
{
    MovingFigures total;
    double kmhMs = 0;
    for (const MovingFigures& trip : trips) {
        total.MovingMs += trip.MovingMs;
        if (trip.AvgMovingKmh)
            kmhMs += *trip.AvgMovingKmh * static_cast<double>(trip.MovingMs);
        if (trip.AscentM) {
            total.AscentM = total.AscentM.value_or(0) + *trip.AscentM;
            total.DescentM = total.DescentM.value_or(0) + *trip.DescentM;
        }
    }
    if (total.MovingMs > 0)
        total.AvgMovingKmh = kmhMs / static_cast<double>(total.MovingMs);
    return total;
}
