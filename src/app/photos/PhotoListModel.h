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
    // Takes the photos of these rows out of the list.
    void Remove(std::vector<std::size_t> photos);
    // A photo read anew (restored, say), with its outcome; its tick as a new row's.
    void Reread(std::size_t photo, const PhotoInfo& info, const PhotoOutcome& outcome);
    // The small picture of the photo at this path, as a PNG, for its name's tooltip.
    void SetThumbnail(const std::string& path, const QByteArray& png);
    [[nodiscard]] const QByteArray& Thumbnail(std::size_t photo) const
    {
        return m_thumbnails[photo];
    }
    // The tick box of a row: offered to a photo that would be written (書込予定), ticked until
    // the user takes the tick away; the write command writes the ticked photos only.
    [[nodiscard]] bool Ticked(std::size_t photo) const;

    [[nodiscard]] std::size_t Size() const { return m_infos.size(); }
    [[nodiscard]] const std::vector<PhotoInfo>& Infos() const { return m_infos; }
    [[nodiscard]] const std::vector<PhotoOutcome>& Outcomes() const { return m_outcomes; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  private:
    [[nodiscard]] QString Text(std::size_t photo, int column) const;
    [[nodiscard]] QString ToolTip(std::size_t photo, int column) const;
    // A photo with a time, placed while no log is loaded.
    [[nodiscard]] bool Waiting(const PhotoOutcome& outcome) const;

    std::vector<PhotoInfo> m_infos;
    std::vector<PhotoOutcome> m_outcomes;
    std::vector<std::optional<std::size_t>> m_trips;
    std::vector<bool> m_unticked; // the user took the row's tick away
    std::vector<QByteArray> m_thumbnails;
    std::int32_t m_biasMinutes = 0;
    bool m_logLoaded = false;
};
