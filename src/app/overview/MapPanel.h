#pragma once

#include "map/TileSources.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class Dialogs;
class QCheckBox;
class QComboBox;
class QToolButton;
class TrackView;

// How the map panel makes its sources; the tests give a fake, the window the real ones.
struct MapSourceMaker {
    std::function<std::unique_ptr<TileSource>(const OnlineServer&)> Online;
    std::function<MbTilesOpened(const QString&)> OpenFile;
};
// The window's: tile servers behind the user's cache folder, map files read through SQLite.
MapSourceMaker RealMapSources();

// The map's controls above the track picture: the 「オンライン地図」 switch, the list of sources
// (no map, the built-in servers, the URL templates of the settings, an opened map file) and the
// button that opens a map file. The window reaches no server until the user said yes once, to
// the question the switch asks the first time it is turned on; the answer, the switch and the
// picked source are kept in the settings. A map file needs no network and no switch.
class MapPanel final : public QWidget
{
    Q_OBJECT

  public:
    MapPanel(TrackView& track, Dialogs& dialogs, MapSourceMaker maker, QWidget* parent = nullptr);
    ~MapPanel() override;

    // A tile server named on the command line: added to the list, picked and on, with no
    // question (naming it is saying yes).
    void UseTileUrl(const QString& urlTemplate);
    // A map file named on the command line or picked with the button: opened and shown; a file
    // that cannot be read is an error box, and the map stays as it was.
    bool OpenMapFile(const QString& path);
    // The source the picture draws, or none.
    [[nodiscard]] TileSource* Source() const { return m_source.get(); }

  private:
    struct Entry {
        enum class Kind { Outline, Online, File };
        Kind What = Kind::Outline;
        OnlineServer Server; // Online
        QString Path;        // File
    };
    void CreateControls();
    void FillList();
    void Restore();
    void Save() const;
    void SwitchToggled(bool on);
    void SourcePicked(int index);
    void OpenClicked();
    // Makes the source of the picked entry (none while an online one's switch is off).
    void Apply();
    // Hands a source (or none) to the picture.
    void Show(TileSource* source);
    [[nodiscard]] int IndexOfTemplate(const QString& urlTemplate) const;
    // Asks once whether the window may go online; remembered.
    bool MayGoOnline(const QString& sourceName);

    QPointer<TrackView> m_track;
    Dialogs& m_dialogs;
    MapSourceMaker m_maker;
    std::vector<Entry> m_entries;
    std::unique_ptr<TileSource> m_source;
    QString m_mapFolder;
    bool m_restoring = false;

    QCheckBox* m_online = nullptr;
    QComboBox* m_list = nullptr;
    QToolButton* m_open = nullptr;
};
