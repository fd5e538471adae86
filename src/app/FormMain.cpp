#include "app/FormMain.h"

#include "app/AppText.h"
#include "app/ArchiveText.h"
#include "app/BusyCursor.h"
#include "app/ExportText.h"
#include "app/PathPanel.h"
#include "app/Platform.h"
#include "app/TimeRangeEdit.h"
#include "app/WindowPlace.h"
#include "app/overview/Overview.h"
#include "app/photos/PhotoPanel.h"
#include "app/photos/PhotoText.h"
#include "archive/Archive.h"
#include "convert/OutputNames.h"
#include "load/LogFile.h"
#include "messages/CliText.h"
#include "messages/ErrorText.h"
#include "messages/NoteText.h"
#include "system/Paths.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The window was laid out in pixels at 96 dpi for a 15-pixel Japanese proportional font. The
// controls above the overview take no more height than their rows need: the photo list below
// shows eight rows on a 1024×700 screen and at twice the scale on a 1920×1200 one.
constexpr int kClientWidth = 788;
constexpr int kClientHeight = 196;
// The overview below the controls makes the window taller; it takes every pixel of a larger one.
constexpr int kOpenHeight = 640;
constexpr int kMinimumHeight = 480;
constexpr int kFontPixels = 15;

// The design's font first, then Japanese sans fonts commonly installed elsewhere.
const QStringList kFontFamilies{
    QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
    QStringLiteral("Noto Sans JP"),    QStringLiteral("Source Han Sans JP"),
    QStringLiteral("IPAPGothic"),      QStringLiteral("VL PGothic"),
    QStringLiteral("Hiragino Sans"),   QStringLiteral("Meiryo UI"),
};

struct LabelPlace {
    const char* Name;
    int Left;
    int Top;
    const char* Caption;
};

// A group box as the design draws it: a thin frame whose top line runs through the middle of
// the caption, and the caption (padded with spaces of its own) 8 pixels from the left edge.
// The toolkit's own styles put the caption above the frame, where it would cover the controls
// that the design places just below the caption line.
class CaptionOnFrameGroupBox final : public QGroupBox
{
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        const QRectF frame = QRectF(rect()).adjusted(0.5, metrics.height() / 2.0 + 0.5, -0.5, -0.5);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRoundedRect(frame, kFrameRadius, kFrameRadius);
        painter.setRenderHint(QPainter::Antialiasing, false);

        const QRect caption(kCaptionLeft, 0, metrics.horizontalAdvance(title()), metrics.height());
        painter.fillRect(caption, palette().window());
        style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                              isEnabled(), title(), QPalette::WindowText);
    }

  private:
    static constexpr int kCaptionLeft = 8;
    static constexpr double kFrameRadius = 3.0;
};

QGroupBox* MakeGroupBox(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& caption)
{
    auto* group = new CaptionOnFrameGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    return group;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The group boxes and the panels in them take every pixel the window grows by.
constexpr int kGroupMargin = 8;
constexpr int kPanelRightMargin = 16;

// The folder of a chosen file, for the dialog's next start there.
QString FolderOf(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

// A chosen name's extension in lower case, with its dot: ".gpx"; empty without one.
std::string ChosenExtension(std::string_view path)
{
    std::string extension(path.substr(ExtensionStart(path)));
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// What a drag carries: local files and folders, of which at most one is a log.
struct DraggedPaths {
    std::optional<QString> Log;
    QStringList Others; // photos and folders, or a single file that may be a log
};

std::optional<DraggedPaths> Dragged(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty())
        return std::nullopt;
    DraggedPaths dragged;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            return std::nullopt;
        const QString path = url.toLocalFile();
        if (!IsLogName(ToLocalPath(path)) || QFileInfo(path).isDir())
            dragged.Others << path;
        else if (dragged.Log) // two logs: which one?
            return std::nullopt;
        else
            dragged.Log = path;
    }
    return dragged;
}

} // namespace

TFormMain::TFormMain(ConversionService& service, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_service(service), m_dialogs(dialogs),
      m_archivePath(QString::fromStdString(DefaultArchivePath()))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(kWindowCaption);

    QFont font;
    font.setFamilies(kFontFamilies);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixels);
    setFont(font);

    QPalette buttonFace = palette();
    buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
    setPalette(buttonFace);
    setAutoFillBackground(true);

    CreateControls();
    CreateOverview();
    FormCreate();
    PlaceWindow();
}

void TFormMain::PlaceWindow()
{
    const QRect available = screen() != nullptr ? screen()->availableGeometry() : QRect();
    const WindowPlace place =
        FirstWindowPlace({kClientWidth, kMinimumHeight}, {kClientWidth, kOpenHeight}, available);
    setMinimumSize(place.Minimum);
    if (const QByteArray kept = RememberedGeometry(); !kept.isEmpty() && restoreGeometry(kept))
        return;
    setGeometry(place.Client);
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    RememberGeometry(saveGeometry());
    QWidget::closeEvent(event);
}

void TFormMain::CreateControls()
{
    GroupBox1 =
        MakeGroupBox(this, "GroupBox1", QRect(8, 6, 772, 78), QStringLiteral(" GPSログファイル "));
    ButtonOpen = MakeButton(GroupBox1, "ButtonOpen", QRect(14, 18, 51, 25), QStringLiteral("読込"));
    ButtonOpen->setToolTip(kOpenToolTip);
    // The recent logs drop down from an arrow joined to the load button.
    ButtonRecent = new QToolButton(GroupBox1);
    ButtonRecent->setObjectName(QStringLiteral("ButtonRecent"));
    ButtonRecent->setGeometry(65, 18, 17, 25);
    ButtonRecent->setArrowType(Qt::DownArrow);
    ButtonRecent->setPopupMode(QToolButton::InstantPopup);
    ButtonRecent->setToolTip(kRecentLogsToolTip);
    ButtonRecent->setMenu(new QMenu(ButtonRecent));
    connect(ButtonRecent->menu(), &QMenu::aboutToShow, this, &TFormMain::FillRecentMenu);
    PanelSrcFn = new PathPanel(GroupBox1, "PanelSrcFn", QRect(88, 18, 668, 25));
    // The log's first and last times beside their caption, on one line.
    MakeLabel(GroupBox1, "Label1", 16, 52, QStringLiteral("ログ内容"));
    LabelSta = MakeLabel(GroupBox1, "LabelSta", 96, 52, QString());
    MakeLabel(GroupBox1, "Label2", 270, 52, QStringLiteral("から"));
    LabelEnd = MakeLabel(GroupBox1, "LabelEnd", 304, 52, QString());
    MakeLabel(GroupBox1, "Label3", 478, 52, QStringLiteral("まで"));
    ButtonPhoto =
        MakeButton(GroupBox1, "ButtonPhoto", QRect(705, 48, 51, 25), QStringLiteral("写真"));
    ButtonPhoto->setToolTip(kPhotoButtonToolTip);

    GroupBox2 =
        MakeGroupBox(this, "GroupBox2", QRect(8, 88, 772, 102), QStringLiteral(" NMEAファイル"));
    MakeLabel(GroupBox2, "Label4", 8, 20, QStringLiteral("出力範囲"));
    m_range = new TimeRangeEdit(GroupBox2);
    ButtonOut = MakeButton(GroupBox2, "ButtonOut", QRect(14, 70, 51, 25), QStringLiteral("出力"));
    ButtonOut->setToolTip(kOutToolTip);
    PanelDstFn = new PathPanel(GroupBox2, "PanelDstFn", QRect(72, 70, 684, 25));
    CreateExportButtons();

    connect(ButtonOpen, &QPushButton::clicked, this, &TFormMain::ButtonOpenClick);
    connect(ButtonOut, &QPushButton::clicked, this, &TFormMain::ButtonOutClick);
    connect(ButtonPhoto, &QPushButton::clicked, this, &TFormMain::ButtonPhotoClick);
    CreateShortcuts();
}

void TFormMain::CreateExportButtons()
{
    LabelChosen = MakeLabel(GroupBox2, "LabelChosen", 90, 20, QString());
    ButtonSplitTrip =
        MakeButton(GroupBox2, "ButtonSplitTrip", QRect(560, 14, 100, 25), kSplitTripCaption);
    ButtonSplitTrip->setToolTip(kSplitTripToolTip);
    ButtonSplitDay =
        MakeButton(GroupBox2, "ButtonSplitDay", QRect(664, 14, 92, 25), kSplitDayCaption);
    ButtonSplitDay->setToolTip(kSplitDayToolTip);
    connect(ButtonSplitTrip, &QPushButton::clicked, this, [this] { SplitExport(SplitMode::Trip); });
    connect(ButtonSplitDay, &QPushButton::clicked, this, [this] { SplitExport(SplitMode::Day); });
}

void TFormMain::CreateShortcuts()
{
    auto* open = new QShortcut(QKeySequence::Open, this, this, &TFormMain::ButtonOpenClick);
    open->setObjectName(QStringLiteral("ShortcutOpen"));
    auto* save = new QShortcut(QKeySequence::Save, this, this, &TFormMain::ButtonOutClick);
    save->setObjectName(QStringLiteral("ShortcutOut"));

    // A file dropped anywhere on the window is opened (the time fields pass drops on).
    setAcceptDrops(true);
}

void TFormMain::CreateOverview()
{
    m_overview = new TOverview(m_service, *m_range, m_dialogs, this);
    // The controls keep their places above; the overview fills the rest of the window.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, kClientHeight, 8, 6);
    layout->addWidget(m_overview);
    connect(m_overview, &TOverview::ExportRequested, this,
            [this](std::size_t trip) { Export(trip); });
    connect(m_overview, &TOverview::PickChanged, this, &TFormMain::ShowChosenTrips);

    // Tab visits the load and photo buttons, the twelve edits from start year to end second,
    // export, then the tabs, the trip list or the photo settings, list and write button, the map's
    // switch, list and button, the track picture and the timeline.
    setTabOrder(ButtonOpen, ButtonRecent);
    setTabOrder(ButtonRecent, ButtonPhoto);
    QWidget* previous = ButtonPhoto;
    for (QSpinBox* spin : m_range->Controls()) {
        setTabOrder(previous, spin);
        previous = spin;
    }
    setTabOrder(previous, ButtonOut);
    setTabOrder(ButtonOut, ButtonSplitTrip);
    setTabOrder(ButtonSplitTrip, ButtonSplitDay);
    previous = ButtonSplitDay;
    for (const char* name : {"TabBarOverview", "ListTrips", "SpinClockError", "ComboCameraZone",
                             "ListPhotos", "ButtonWrite", "CheckOnlineMap", "ComboMapSource",
                             "ButtonOpenMap", "PaintTrack", "PaintTimeline"}) {
        QWidget* part = m_overview->findChild<QWidget*>(QString::fromLatin1(name));
        setTabOrder(previous, part);
        previous = part;
    }
}

void TFormMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int groupWidth = width() - 2 * kGroupMargin;
    for (QGroupBox* group : {GroupBox1, GroupBox2})
        group->resize(groupWidth, group->height());
    for (PathPanel* panel : {PanelSrcFn, PanelDstFn})
        panel->resize(groupWidth - panel->x() - kPanelRightMargin, panel->height());
    // The photo button stays below the end of the path panel, the split buttons above it.
    ButtonPhoto->move(groupWidth - kPanelRightMargin - ButtonPhoto->width(), ButtonPhoto->y());
    ButtonSplitDay->move(groupWidth - kPanelRightMargin - ButtonSplitDay->width(),
                         ButtonSplitDay->y());
    ButtonSplitTrip->move(ButtonSplitDay->x() - 4 - ButtonSplitTrip->width(), ButtonSplitTrip->y());
}

void TFormMain::FormCreate()
{
    PresetNow();

    // The folders chosen in the last runs, else the system's documents and pictures.
    const QString documents = DocumentsFolder();
    m_saveFolder = RememberedFolder(FolderRole::Save).value_or(QDir::toNativeSeparators(documents));
    m_openFolder =
        RememberedFolder(FolderRole::Open)
            .value_or(QDir::toNativeSeparators(documents + QStringLiteral("/Tallomer/Raw/")));
    m_photoFolder =
        RememberedFolder(FolderRole::Photo).value_or(QDir::toNativeSeparators(PicturesFolder()));

    const QLocale locale = QLocale::system();
    m_dateSeparator = DateSeparator(locale);
    m_timeSeparator = TimeSeparator(locale);
}

void TFormMain::PresetNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const std::int64_t nowMs =
        CalendarToMilliseconds({now.date().year(), now.date().month(), now.date().day(),
                                now.time().hour(), now.time().minute(), now.time().second(), 0});
    m_range->SetWindow({nowMs, nowMs});
    m_overview->FollowRange();
}

void TFormMain::ButtonOpenClick()
{
    // Cancelling keeps the loaded log, and the panel goes on showing it.
    const std::optional<QString> chosen = m_dialogs.AskOpenPath(this, m_openFolder);
    if (!chosen)
        return;
    OpenLog(*chosen);
}

void TFormMain::KeepFolder(FolderRole role, const QString& folder)
{
    QString& kept = role == FolderRole::Open   ? m_openFolder
                    : role == FolderRole::Save ? m_saveFolder
                                               : m_photoFolder;
    kept = folder;
    RememberFolder(role, folder);
}

void TFormMain::FillRecentMenu()
{
    QMenu* menu = ButtonRecent->menu();
    menu->clear();
    const QStringList logs = RecentLogs();
    if (logs.isEmpty())
        menu->addAction(kNoRecentLogsText)->setEnabled(false);
    for (const QString& log : logs)
        connect(menu->addAction(log), &QAction::triggered, this, [this, log] { OpenLog(log); });
    AddArchiveEntries(menu);
}

// Adding needs a loaded log (not the archive itself), opening an archive that exists.
void TFormMain::AddArchiveEntries(QMenu* menu)
{
    menu->addSeparator();
    const QString tip = ArchiveToolTip(QDir::toNativeSeparators(m_archivePath));
    QAction* add = menu->addAction(AddToArchiveText(), this, &TFormMain::AddToArchive);
    add->setObjectName(QStringLiteral("ActionAddToArchive"));
    add->setEnabled(!m_archivePath.isEmpty() && !m_service.LoadedPath().empty() &&
                    !m_service.LoadedArchive());
    QAction* open = menu->addAction(OpenArchiveText(), this, &TFormMain::OpenArchive);
    open->setObjectName(QStringLiteral("ActionOpenArchive"));
    open->setEnabled(!m_archivePath.isEmpty() && QFileInfo::exists(m_archivePath));
    for (QAction* action : {add, open})
        action->setToolTip(tip);
    menu->setToolTipsVisible(true);
}

void TFormMain::AddToArchive()
{
    std::optional<BusyCursor> busy(std::in_place, this);
    const ImportReport report = m_service.ImportLoaded(ToLocalPath(m_archivePath));
    busy.reset();
    if (!report.Status.Ok()) {
        ShowErrorBox(ArchiveErrorText(report.Status));
        return;
    }
    const auto local = [this](const std::optional<std::int64_t>& utcMs) {
        return utcMs ? FormatTime(m_service.LocalDayCountOfUtc(*utcMs)) : QString();
    };
    const QString name = QFileInfo(QString::fromStdString(m_service.LoadedPath())).fileName();
    m_dialogs.ShowInformation(this, ImportReportText(name, report, local(report.UncoveredFromUtcMs),
                                                     local(report.UncoveredToUtcMs)));
}

void TFormMain::OpenArchive()
{
    std::optional<BusyCursor> busy(std::in_place, this);
    const ArchiveStatus status = m_service.LoadArchive(ToLocalPath(m_archivePath));
    if (status.Ok()) {
        PanelSrcFn->SetPath(QDir::toNativeSeparators(m_archivePath));
        PanelDstFn->Clear();
        m_overview->ShowLog();
        ShowSpan(m_service.Span());
    }
    busy.reset();
    if (!status.Ok())
        ShowErrorBox(ArchiveErrorText(status));
}

void TFormMain::OpenLog(const QString& path)
{
    // Every load starts with the times as recorded and the kind the name gives; reading it as
    // the other kind and the repair are offered once per load.
    if (!LoadAndShow(path, {}))
        return;
    if (const LogKind other = m_service.LastLoad().Resembles; other != LogKind::None) {
        repaint();
        const bool asBlock = other == LogKind::Block;
        const QString looksLike = QString::fromStdString(LooksLikeText(other, Language::Japanese));
        if (m_dialogs.AskReadAsOther(this, ReadAsOtherQuestion(looksLike, asBlock),
                                     ReadAsOtherCaption(asBlock)) &&
            !LoadAndShow(path, {.ReadAs = other}))
            return;
    }
    if (m_service.LastLoad().LikelyWeekRollover)
        OfferWeekRepair(path);
}

bool TFormMain::LoadAndShow(const QString& path, const LoadOptions& options)
{
    std::optional<BusyCursor> busy(std::in_place, this);
    const LoadResult result = m_service.Load(ToLocalPath(path), options);
    const bool accepted = !result.Failed() && result.Kind != LogKind::None;
    const QString shownPath = QDir::toNativeSeparators(path);
    if (accepted) {
        // The dialogs start beside the loaded log, the export's until the user picks a folder.
        KeepFolder(FolderRole::Open, FolderOf(path));
        if (!RememberedFolder(FolderRole::Save))
            m_saveFolder = FolderOf(path);
        RememberRecentLog(shownPath);
        PanelSrcFn->SetPath(shownPath);
        PanelDstFn->Clear();
        m_overview->ShowLog();
        ShowSpan(m_service.Span());
    }
    busy.reset(); // an error box gets the usual cursor
    if (result.Failed())
        ShowErrorBox(IoErrorText(result.IoErrno));
    else if (!accepted)
        ShowErrorBox(IgnoredFileText(shownPath.toStdString(), result));
    return accepted;
}

// Asked once the log is shown as recorded, naming the days found and the days they become.
void TFormMain::OfferWeekRepair(const QString& path)
{
    const std::optional<RolloverSpans> spans = m_service.WeekRolloverSpans();
    if (!spans)
        return;
    repaint();
    const QString question = WeekRepairQuestion(
        DaySpanText(spans->FoundFirstMs, spans->FoundLastMs, m_dateSeparator),
        DaySpanText(spans->RepairedFirstMs, spans->RepairedLastMs, m_dateSeparator));
    if (m_dialogs.AskWeekRepair(this, question))
        LoadAndShow(path,
                    {.AddedWeeks = kWeekRolloverWeeks, .ReadAs = m_service.LoadedWith().ReadAs});
}

void TFormMain::ShowSpan(const std::optional<LogSpan>& span)
{
    // The labels show the first and last entries in the logger's own order.
    // A log without fixes says so once, without から and まで around it.
    LabelSta->setText(span ? FormatTime(span->First) : kNoFixesText);
    LabelSta->adjustSize();
    LabelEnd->setText(span ? FormatTime(span->Last) : QString());
    LabelEnd->adjustSize();
    for (const char* name : {"Label2", "Label3"})
        GroupBox1->findChild<QLabel*>(QString::fromLatin1(name))->setVisible(span.has_value());
    if (!span) {
        // Nothing of the log to cover: the fields leave the last log's window, as at the start.
        PresetNow();
        return;
    }
    // The controls cover every fix: a logger that filled its memory and wrote on from the front
    // has its first entry after its last.
    m_range->SetWindow(
        CoveringWindow(PrintedMilliseconds(span->Earliest), PrintedMilliseconds(span->Latest)));
    m_overview->FollowRange();
}

void TFormMain::ButtonOutClick() { Export(std::nullopt); }

QString TFormMain::ProposedName(std::optional<std::size_t> trip) const
{
    // The log's own name with the extension of the type picked last; one trip's is the name a
    // split by trips gives it, several trips' the first one's day with their numbers, as the
    // command line's --trip takes them: "log-20240503-trip1,3.gpx".
    std::string name =
        DefaultTarget(m_service.LoadedPath(), FormatOf(RememberedOutputType()).Format);
    const std::vector<Trip>& trips = m_service.Trips().Trips;
    std::vector<std::size_t> picked = m_overview->PickedTrips();
    if (trip)
        picked = {*trip};
    std::erase_if(picked, [&trips](std::size_t t) { return t >= trips.size(); });
    if (picked.size() == 1)
        name = PieceTarget(name, PieceSuffix(trips[picked.front()].FirstMs, true));
    else if (picked.size() > 1)
        name = PieceTarget(name, PieceSuffix(trips[picked.front()].FirstMs, false) + "-trip" +
                                     TripNumbersText(picked, QStringLiteral(",")).toStdString());
    return QFileInfo(FromLocalPath(name)).fileName();
}

OutputType TFormMain::ChosenType(const SaveChoice& chosen) const
{
    const OutputType type = TypeOfExtension(ChosenExtension(ToLocalPath(chosen.Path)), chosen.Type);
    RememberOutputType(type);
    return type;
}

std::optional<ExportRequest> TFormMain::WindowRequest(const ExportFormat& format)
{
    const std::optional<MsWindow> window = m_range->Window();
    if (!window) {
        ShowErrorBox(kDateConversionError);
        return std::nullopt;
    }
    ExportRequest request{format, TimeWindow(*window)};
    request.Chosen.assign(m_overview->Chosen().begin(), m_overview->Chosen().end());
    return request;
}

void TFormMain::ShowChosenTrips()
{
    const bool chosen = !m_overview->Chosen().empty();
    LabelChosen->setText(chosen ? ChosenTripsText(m_overview->PickedTrips()) : QString());
    LabelChosen->adjustSize();
}

void TFormMain::Export(std::optional<std::size_t> trip)
{
    if (m_service.FixCount() == 0) {
        ShowErrorBox(m_service.LoadedPath().empty() ? kNothingLoadedError : kNoFixesToWriteError);
        return;
    }
    const std::optional<SaveChoice> chosen =
        m_dialogs.AskSavePath(this, m_saveFolder, ProposedName(trip), RememberedOutputType());
    if (!chosen)
        return;
    KeepFolder(FolderRole::Save, FolderOf(chosen->Path));

    // A typed extension of an output type decides the writer; else the type picked in the
    // dialog decides it and the extension.
    const ExportFormat format = FormatOf(ChosenType(*chosen));
    const std::string chosenPath = ToLocalPath(chosen->Path);
    // A name that has the writer's extension in any letter case is kept as typed.
    const std::string target = ChosenExtension(chosenPath) == ExtensionOf(format.Format)
                                   ? chosenPath
                                   : DefaultTarget(chosenPath, format.Format);
    std::optional<ExportRequest> request = WindowRequest(format);
    if (!request)
        return;
    if (const ExportResult refused = m_service.CheckTarget(target); !refused.Ok()) {
        ShowErrorBox(ExportErrorText(refused, target));
        return;
    }

    // The dialog confirmed replacing the name chosen in it; a different target is asked about.
    const QString targetText = QDir::toNativeSeparators(FromLocalPath(target));
    if (target != chosenPath && QFileInfo::exists(FromLocalPath(target)) &&
        !m_dialogs.AskOverwrite(this, OverwriteQuestion(targetText)))
        return;

    const ExportResult result = [&] {
        const BusyCursor busy(this);
        return m_service.Export(target, *request);
    }();
    if (!result.Ok()) {
        ShowErrorBox(ExportErrorText(result, target));
        return;
    }
    // The count beside the path keeps an empty result from passing for success.
    PanelDstFn->SetPath(targetText,
                        WrittenCountText(result.FixesWritten, BeyondTheFields(*request)));
}

void TFormMain::SplitExport(SplitMode mode)
{
    if (m_service.FixCount() == 0) {
        ShowErrorBox(m_service.LoadedPath().empty() ? kNothingLoadedError : kNoFixesToWriteError);
        return;
    }
    const std::optional<QString> folder = m_dialogs.AskFolder(this, m_saveFolder);
    if (!folder)
        return;
    KeepFolder(FolderRole::Save, QDir::toNativeSeparators(*folder));
    const std::optional<ExportRequest> request = WindowRequest(FormatOf(RememberedOutputType()));
    if (!request)
        return;
    const QString stem = QDir(*folder).filePath(
        QFileInfo(FromLocalPath(DefaultTarget(m_service.LoadedPath(), request->Format.Format)))
            .fileName());
    std::vector<ExportPiece> pieces = m_service.SplitPieces(mode, *request, ToLocalPath(stem));
    if (pieces.empty()) {
        ShowErrorBox(kNoFixInWindowSplit.In(Language::Japanese));
        return;
    }
    // One question for every file the split would replace.
    std::vector<QString> existing;
    for (const ExportPiece& piece : pieces)
        if (QFileInfo::exists(FromLocalPath(piece.Target)))
            existing.push_back(QDir::toNativeSeparators(FromLocalPath(piece.Target)));
    if (!existing.empty() &&
        !m_dialogs.AskOverwrite(this, SplitOverwriteQuestion(existing.size(), existing.front())))
        return;
    const std::vector<std::optional<ExportResult>> results = [&] {
        const BusyCursor busy(this);
        return m_service.ExportPieces(pieces, *request);
    }();
    std::size_t files = 0;
    std::size_t fixes = 0;
    QStringList errors;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (results[i] && results[i]->Ok()) {
            ++files;
            fixes += results[i]->FixesWritten;
        } else if (results[i]) {
            errors << QString::fromStdString(
                WithFinalPoint(ExportErrorText(*results[i], pieces[i].Target)));
        }
    }
    PanelDstFn->SetPath(QDir::toNativeSeparators(*folder), SplitWrittenText(files, fixes));
    if (!errors.isEmpty())
        m_dialogs.ShowError(this, errors.join(QLatin1Char('\n')));
}

std::size_t TFormMain::BeyondTheFields(const ExportRequest& request) const
{
    const MsWindow reach = TimeRangeEdit::Reach();
    ExportRequest open = request;
    if (request.Window.Start && *request.Window.Start <= reach.Start)
        open.Window.Start.reset();
    if (request.Window.End && *request.Window.End >= reach.End)
        open.Window.End.reset();
    if (open.Window.Start == request.Window.Start && open.Window.End == request.Window.End)
        return 0;
    return m_service.CountSelected(open) - m_service.CountSelected(request);
}

void TFormMain::ButtonPhotoClick()
{
    const QStringList chosen = m_dialogs.AskPhotoPaths(this, m_photoFolder);
    if (chosen.isEmpty())
        return;
    KeepFolder(FolderRole::Photo, FolderOf(chosen.constFirst()));
    AddPhotos(chosen);
}

void TFormMain::AddPhotos(const QStringList& paths)
{
    QStringList unread;
    for (const auto& [folder, error] : m_overview->Photos().AddPhotos(paths))
        unread << FolderUnreadText(QDir::toNativeSeparators(folder), error);
    if (!unread.isEmpty())
        ShowErrorBox(unread.join(QLatin1Char('\n')).toStdString());
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (Dragged(event->mimeData()))
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event)
{
    const std::optional<DraggedPaths> dragged = Dragged(event->mimeData());
    if (!dragged)
        return;
    event->acceptProposedAction();
    const QStringList& others = dragged->Others;
    if (!dragged->Log && others.size() == 1 && !QFileInfo(others.constFirst()).isDir()) {
        // A file alone: a photo when it reads as one, else a log of any name, as always.
        const PhotoInfo info = ReadPhotoInfo(ToLocalPath(others.constFirst()));
        if (info.Recognised || info.Raw)
            m_overview->Photos().AddPhotoInfos({info});
        else
            OpenLog(others.constFirst());
        return;
    }
    if (dragged->Log)
        OpenLog(*dragged->Log);
    if (!others.isEmpty())
        AddPhotos(others);
}

QString TFormMain::FormatTime(double dayCount) const
{
    return QString::fromStdString(
        FormatDayCount(dayCount, m_dateSeparator.toStdString(), m_timeSeparator.toStdString()));
}

void TFormMain::ShowErrorBox(std::string_view message)
{
    m_dialogs.ShowError(this, QString::fromStdString(WithFinalPoint(message)));
}
