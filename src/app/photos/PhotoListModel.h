#pragma once

#include "app/CaptionedTableModel.h"
#include "geometry/PhotoMarks.h"
#include "photos/Geotag.h"

#include <cstdint>
#include <optional>
#include <vector>

// The photo list: one row per photo added, in the order added. Each photo is read once; its
// outcome is its placement with the current settings, or what writing it did.
class PhotoListModel final : public CaptionedTableModel
{
    Q_OBJECT

  public:
    explicit PhotoListModel(QObject* parent = nullptr);

    // Adds the photos whose path is not listed yet, with the outcome `place` gives each.
    void Add(const std::vector<PhotoInfo>& infos,
             const std::function<PhotoOutcome(const PhotoInfo&)>& place);
    // Every photo's outcome anew, from what was read of it.
    void PlaceAll(const std::function<PhotoOutcome(const PhotoInfo&)>& place);
    // What writing a photo did; a photo written now holds its position (or its sidecar does).
    void SetWritten(std::size_t photo, const PhotoOutcome& outcome);
    // The zone of the log (UTC = local time + bias) the time column shows moments in, and whether
    // a log is loaded at all: without one, a photo with a time waits for it.
    void SetLog(std::int32_t biasMinutes, bool loaded)
    {
        m_biasMinutes = biasMinutes;
        m_logLoaded = loaded;
    }
    // The trips the marks lie in, for each row's swatch in the trip's colour.
    void SetMarks(const std::vector<PhotoMark>& marks);

    [[nodiscard]] std::size_t Size() const { return m_infos.size(); }
    [[nodiscard]] const std::vector<PhotoInfo>& Infos() const { return m_infos; }
    [[nodiscard]] const std::vector<PhotoOutcome>& Outcomes() const { return m_outcomes; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

  private:
    [[nodiscard]] QString Text(std::size_t photo, int column) const;
    [[nodiscard]] QString ToolTip(std::size_t photo, int column) const;
    // A photo with a time, placed while no log is loaded.
    [[nodiscard]] bool Waiting(const PhotoOutcome& outcome) const;

    std::vector<PhotoInfo> m_infos;
    std::vector<PhotoOutcome> m_outcomes;
    std::vector<std::optional<std::size_t>> m_trips;
    std::int32_t m_biasMinutes = 0;
    bool m_logLoaded = false;
};
