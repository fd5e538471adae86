#include "app/overview/MapPanel.h"

#include "app/AppSettings.h"
#include "app/Dialogs.h"
#include "app/overview/MapPanelText.h"
#include "app/overview/TrackView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QSettings>
#include <QStyle>
#include <QToolButton>
#include <QUrl>

namespace {

// The settings' keys: whether the user said yes to going online, the switch, the picked source
// (a URL template, "file:" and a map file's path, or empty for none), the user's own templates
// and the folder the map file dialog starts in.
const QString kConsentKey = QStringLiteral("map/consent");
const QString kOnlineKey = QStringLiteral("map/online");
const QString kSourceKey = QStringLiteral("map/source");
const QString kUrlsKey = QStringLiteral("map/urls");
const QString kFolderKey = QStringLiteral("map/folder");
const QString kFilePrefix = QStringLiteral("file:");
constexpr int kListCharacters = 1;

// A template of the settings as a source: named by its server, with nothing to credit.
OnlineServer ServerOfTemplate(const QString& urlTemplate)
{
    const QString host = QUrl(urlTemplate).host();
    return {host.isEmpty() ? urlTemplate : host, urlTemplate, QString(), 0, 19, 256};
}

} // namespace

MapSourceMaker RealMapSources()
{
    return {[](const OnlineServer& online) { return MakeOnlineSource(online, {}); },
            [](const QString& path) { return OpenMbTiles(path); }};
}

MapPanel::MapPanel(TrackView& track, Dialogs& dialogs, MapSourceMaker maker, QWidget* parent)
    : QWidget(parent), m_track(&track), m_dialogs(dialogs), m_maker(std::move(maker))
{
    setObjectName(QStringLiteral("PanelMap"));
    CreateControls();
    Restore();
}

MapPanel::~MapPanel() { Show(nullptr); }

void MapPanel::Show(TileSource* source)
{
    // The picture may go first when the window closes.
    if (m_track)
        m_track->SetMapSource(source);
}

void MapPanel::CreateControls()
{
    m_online = new QCheckBox(OnlineSwitchText(), this);
    m_online->setObjectName(QStringLiteral("CheckOnlineMap"));
    m_online->setToolTip(OnlineSwitchToolTip());
    m_list = new QComboBox(this);
    m_list->setObjectName(QStringLiteral("ComboMapSource"));
    m_list->setToolTip(MapSourceToolTip());
    // Narrow beside a wide photo list: a long name is cut, the list that drops down shows it all.
    m_list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_list->setMinimumContentsLength(kListCharacters);
    m_open = new QToolButton(this);
    m_open->setObjectName(QStringLiteral("ButtonOpenMap"));
    // An icon only, for the room: the tooltip names it.
    m_open->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    m_open->setText(OpenMapButtonText());
    m_open->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_open->setToolTip(OpenMapButtonToolTip());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_online);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_open);
    connect(m_online, &QCheckBox::toggled, this, &MapPanel::SwitchToggled);
    connect(m_list, &QComboBox::activated, this, &MapPanel::SourcePicked);
    connect(m_open, &QToolButton::clicked, this, &MapPanel::OpenClicked);
}

void MapPanel::FillList()
{
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    const QString picked = settings->value(kSourceKey).toString();
    m_entries = {Entry{}};
    for (const OnlineServer& online : BuiltInSources())
        m_entries.push_back({Entry::Kind::Online, online, {}});
    for (const QString& urlTemplate : settings->value(kUrlsKey).toStringList())
        if (IndexOfTemplate(urlTemplate) < 0)
            m_entries.push_back({Entry::Kind::Online, ServerOfTemplate(urlTemplate), {}});
    if (picked.startsWith(kFilePrefix))
        m_entries.push_back({Entry::Kind::File, {}, picked.mid(kFilePrefix.size())});
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const Entry& entry : m_entries)
        m_list->addItem(entry.What == Entry::Kind::Outline ? OutlineOnlyText()
                        : entry.What == Entry::Kind::File
                            ? MapFileEntryText(QFileInfo(entry.Path).fileName())
                            : entry.Server.Name);
    int index = 0;
    if (picked.startsWith(kFilePrefix))
        index = static_cast<int>(m_entries.size()) - 1;
    else if (!picked.isEmpty())
        index = std::max(IndexOfTemplate(picked), 0);
    m_list->setCurrentIndex(index);
}

int MapPanel::IndexOfTemplate(const QString& urlTemplate) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].What == Entry::Kind::Online &&
            m_entries[i].Server.UrlTemplate == urlTemplate)
            return static_cast<int>(i);
    return -1;
}

void MapPanel::Restore()
{
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    m_mapFolder = settings->value(kFolderKey).toString();
    FillList();
    {
        const QSignalBlocker blocker(m_online);
        m_online->setChecked(settings->value(kConsentKey).toBool() &&
                             settings->value(kOnlineKey).toBool());
    }
    m_restoring = true;
    Apply();
    m_restoring = false;
}

void MapPanel::Save() const
{
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    settings->setValue(kOnlineKey, m_online->isChecked());
    const Entry& entry = m_entries[static_cast<std::size_t>(std::max(m_list->currentIndex(), 0))];
    settings->setValue(kSourceKey, entry.What == Entry::Kind::Online ? entry.Server.UrlTemplate
                                   : entry.What == Entry::Kind::File ? kFilePrefix + entry.Path
                                                                     : QString());
    settings->setValue(kFolderKey, m_mapFolder);
}

bool MapPanel::MayGoOnline(const QString& sourceName)
{
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    if (settings->value(kConsentKey).toBool())
        return true;
    if (!m_dialogs.AskGoOnline(this, GoOnlineQuestion(sourceName)))
        return false;
    settings->setValue(kConsentKey, true);
    return true;
}

void MapPanel::SwitchToggled(bool on)
{
    const Entry& entry = m_entries[static_cast<std::size_t>(std::max(m_list->currentIndex(), 0))];
    const QString name =
        entry.What == Entry::Kind::Online ? entry.Server.Name : BuiltInSources().front().Name;
    if (on && !MayGoOnline(name)) {
        const QSignalBlocker blocker(m_online);
        m_online->setChecked(false);
        return;
    }
    // Turned on with no server picked: the first server of the list.
    if (on && entry.What != Entry::Kind::Online) {
        const QSignalBlocker blocker(m_list);
        m_list->setCurrentIndex(1);
    }
    Save();
    Apply();
}

void MapPanel::SourcePicked(int index)
{
    if (index < 0)
        return;
    // Picking a server turns the switch on, which asks first.
    if (m_entries[static_cast<std::size_t>(index)].What == Entry::Kind::Online &&
        !m_online->isChecked())
        return m_online->setChecked(true);
    Save();
    Apply();
}

void MapPanel::Apply()
{
    Show(nullptr);
    m_source.reset();
    const Entry& entry = m_entries[static_cast<std::size_t>(std::max(m_list->currentIndex(), 0))];
    if (entry.What == Entry::Kind::Online && m_online->isChecked())
        m_source = m_maker.Online(entry.Server);
    if (entry.What == Entry::Kind::File) {
        MbTilesOpened opened = m_maker.OpenFile(entry.Path);
        // A file gone since the last run is no box at start: the picture shows the outline.
        if (!opened.Source && !m_restoring)
            m_dialogs.ShowError(this, opened.Error);
        m_source = std::move(opened.Source);
    }
    Show(m_source.get());
}

void MapPanel::OpenClicked()
{
    const std::optional<QString> path = m_dialogs.AskMapPath(this, m_mapFolder);
    if (path)
        OpenMapFile(*path);
}

bool MapPanel::OpenMapFile(const QString& path)
{
    MbTilesOpened opened = m_maker.OpenFile(path);
    if (!opened.Source) {
        m_dialogs.ShowError(this, opened.Error);
        return false;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_mapFolder = QFileInfo(absolute).path();
    OpenAppSettings()->setValue(kSourceKey, kFilePrefix + absolute);
    FillList();
    Save();
    Show(nullptr);
    m_source = std::move(opened.Source);
    Show(m_source.get());
    return true;
}

void MapPanel::UseTileUrl(const QString& urlTemplate)
{
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    settings->setValue(kConsentKey, true);
    QStringList urls = settings->value(kUrlsKey).toStringList();
    if (IndexOfTemplate(urlTemplate) < 0 && !urls.contains(urlTemplate))
        settings->setValue(kUrlsKey, urls << urlTemplate);
    settings->setValue(kSourceKey, urlTemplate);
    settings->setValue(kOnlineKey, true);
    FillList();
    {
        const QSignalBlocker blocker(m_online);
        m_online->setChecked(true);
    }
    Apply();
}
