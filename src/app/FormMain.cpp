#include "app/FormMain.h"

#include "app/AppText.h"
#include "app/ControlTime.h"
#include "app/Platform.h"
#include "app/overview/Overview.h"
#include "messages/ErrorText.h"

#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The window was laid out in pixels at 96 dpi for a 15-pixel Japanese proportional font.
constexpr int kClientWidth = 788;
constexpr int kClientHeight = 266;
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

// One date or time field of a row: its name suffix, range, longest text and edit width. The
// spin buttons are 16 pixels wide and sit right of their edit; every control is 23 high.
struct TimeField {
    const char* Suffix;
    int Min;
    int Max;
    int MaxLength;
    int EditWidth;
};
constexpr std::array<TimeField, 6> kTimeFields{{
    {"YY", kFirstControlYear, kLastControlYear, 4, 41},
    {"MM", 1, 12, 2, 25},
    {"DD", 1, 31, 2, 25},
    {"HH", 0, 23, 2, 25},
    {"NN", 0, 59, 2, 25},
    {"SS", 0, 59, 2, 25},
}};
constexpr std::array<int, 6> kStaEditLeft{24, 96, 152, 208, 260, 312};
constexpr std::array<int, 6> kEndEditLeft{392, 464, 520, 576, 628, 680};
constexpr int kTimeRowTop = 50;
constexpr int kSpinWidth = 16;
constexpr int kTimeRowHeight = 23;

struct LabelPlace {
    const char* Name;
    int Left;
    int Top;
    const char* Caption;
};
constexpr std::array<LabelPlace, 11> kOutputLabels{{
    {"Label4", 8, 26, "出力範囲"},
    {"Label5", 84, 55, "/"},
    {"Label6", 140, 55, "/"},
    {"Label7", 252, 55, ":"},
    {"Label8", 304, 55, ":"},
    {"Label9", 360, 55, "から"},
    {"Label10", 452, 55, "/"},
    {"Label11", 508, 55, "/"},
    {"Label12", 620, 55, ":"},
    {"Label13", 672, 55, ":"},
    {"Label14", 728, 55, "まで"},
}};

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
        const QRectF frame = QRectF(rect()).adjusted(0.5, metrics.height() / 2 + 0.5, -0.5, -0.5);
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

// A borderless panel showing a path, left-aligned and vertically centred.
QLabel* MakePanel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* panel = new QLabel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setGeometry(geometry);
    return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

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
    spin->setGeometry(left, kTimeRowTop, field.EditWidth + kSpinWidth, kTimeRowHeight);
    // Digits are typed directly, never through an input method.
    spin->setAttribute(Qt::WA_InputMethodEnabled, false);
    spin->setInputMethodHints(Qt::ImhDigitsOnly);

    auto* edit = spin->findChild<QLineEdit*>();
    edit->setObjectName(QStringLiteral("Edit") + role + QLatin1String(field.Suffix));
    edit->setMaxLength(field.MaxLength);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setInputMethodHints(Qt::ImhDigitsOnly);
    return spin;
}

// The one local file a drag carries; several files, or anything else, are not taken.
std::optional<QString> DraggedFile(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1 ||
        !mime->urls().constFirst().isLocalFile())
        return std::nullopt;
    return mime->urls().constFirst().toLocalFile();
}

} // namespace

TFormMain::TFormMain(ConversionService& service, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_service(service), m_dialogs(dialogs)
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

    setMinimumSize(kClientWidth, kMinimumHeight);
    resize(kClientWidth, kOpenHeight);
    if (const QScreen* screen = this->screen())
        move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->geometry())
                 .topLeft());

    CreateControls();
    CreateOverview();
    FormCreate();
}

void TFormMain::CreateControls()
{
    GroupBox1 =
        MakeGroupBox(this, "GroupBox1", QRect(8, 8, 772, 113), QStringLiteral(" GPSログファイル "));
    ButtonOpen = MakeButton(GroupBox1, "ButtonOpen", QRect(14, 24, 51, 25), QStringLiteral("読込"));
    PanelSrcFn = MakePanel(GroupBox1, "PanelSrcFn", QRect(72, 24, 684, 25));
    MakeLabel(GroupBox1, "Label1", 16, 64, QStringLiteral("ログ内容"));
    LabelSta = MakeLabel(GroupBox1, "LabelSta", 32, 82, QString());
    MakeLabel(GroupBox1, "Label2", 206, 82, QStringLiteral("から"));
    LabelEnd = MakeLabel(GroupBox1, "LabelEnd", 240, 82, QString());
    MakeLabel(GroupBox1, "Label3", 414, 82, QStringLiteral("まで"));

    GroupBox2 =
        MakeGroupBox(this, "GroupBox2", QRect(8, 128, 772, 129), QStringLiteral(" NMEAファイル"));
    for (const LabelPlace& place : kOutputLabels)
        MakeLabel(GroupBox2, place.Name, place.Left, place.Top, QString::fromUtf8(place.Caption));
    for (std::size_t i = 0; i < kTimeFields.size(); ++i) {
        UpDownSta[i] =
            MakeTimeControl(GroupBox2, QStringLiteral("Sta"), kTimeFields[i], kStaEditLeft[i]);
        UpDownEnd[i] =
            MakeTimeControl(GroupBox2, QStringLiteral("End"), kTimeFields[i], kEndEditLeft[i]);
    }
    ButtonOut = MakeButton(GroupBox2, "ButtonOut", QRect(14, 88, 51, 25), QStringLiteral("出力"));
    PanelDstFn = MakePanel(GroupBox2, "PanelDstFn", QRect(72, 88, 684, 25));

    // Tab visits the load button, the twelve edits from start year to end second, then export.
    QWidget* previous = ButtonOpen;
    for (const ControlRow* row : {&UpDownSta, &UpDownEnd}) {
        for (QSpinBox* spin : *row) {
            setTabOrder(previous, spin);
            previous = spin;
        }
    }
    setTabOrder(previous, ButtonOut);

    connect(ButtonOpen, &QPushButton::clicked, this, &TFormMain::ButtonOpenClick);
    connect(ButtonOut, &QPushButton::clicked, this, &TFormMain::ButtonOutClick);
    CreateShortcuts();
}

void TFormMain::CreateShortcuts()
{
    auto* open = new QShortcut(QKeySequence::Open, this, this, &TFormMain::ButtonOpenClick);
    open->setObjectName(QStringLiteral("ShortcutOpen"));
    auto* save = new QShortcut(QKeySequence::Save, this, this, &TFormMain::ButtonOutClick);
    save->setObjectName(QStringLiteral("ShortcutOut"));

    // A file dropped anywhere on the window is opened, also over the date fields, whose edits
    // would otherwise take the drop as text.
    setAcceptDrops(true);
    for (const ControlRow* row : {&UpDownSta, &UpDownEnd})
        for (QSpinBox* spin : *row)
            spin->findChild<QLineEdit*>()->setAcceptDrops(false);
}

void TFormMain::CreateOverview()
{
    m_overview = new TOverview(m_service, UpDownSta, UpDownEnd, this);
    // The controls keep their places above; the overview fills the rest of the window.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, kClientHeight, 8, 8);
    layout->addWidget(m_overview);
    for (const ControlRow* row : {&UpDownSta, &UpDownEnd}) {
        for (QSpinBox* spin : *row)
            connect(spin, &QSpinBox::valueChanged, m_overview, &TOverview::ControlsChanged);
    }
    connect(m_overview, &TOverview::ExportRequested, this, &TFormMain::ButtonOutClick);
}

void TFormMain::FormCreate()
{
    // Fix times are local standard time: the zone's base bias, never its daylight saving.
    m_service.SetBias(StandardTimeZoneBias());

    const QDateTime now = QDateTime::currentDateTime();
    const CalendarTime nowFields =
        ClampToControls({now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
                         now.time().minute(), now.time().second(), 0});
    SetRow(UpDownSta, nowFields);
    SetRow(UpDownEnd, nowFields);

    const QString documents = DocumentsFolder();
    m_saveFolder = QDir::toNativeSeparators(documents);
    m_openFolder = QDir::toNativeSeparators(documents + QStringLiteral("/Tallomer/Raw/"));

    const QLocale locale = QLocale::system();
    m_dateSeparator = DateSeparator(locale);
    m_timeSeparator = TimeSeparator(locale);
}

void TFormMain::ButtonOpenClick()
{
    // Cancelling keeps the loaded log, and the panel goes on showing it.
    if (const std::optional<QString> chosen = m_dialogs.AskOpenPath(this, m_openFolder))
        OpenLog(*chosen);
}

void TFormMain::OpenLog(const QString& path)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    // Every load starts with the times as recorded; the repair is offered once per load.
    const std::int32_t addedWeeks = m_service.AddedWeeks();
    m_service.SetAddedWeeks(0);
    LoadResult result = m_service.Load(ToLocalPath(path));
    if (result.Kind == LogKind::None)
        m_service.SetAddedWeeks(addedWeeks); // the loaded log keeps its own repair
    if (result.LikelyWeekRollover && m_dialogs.AskWeekRepair(this, kWeekRepairQuestion)) {
        m_service.SetAddedWeeks(kWeekRolloverWeeks);
        result = m_service.Load(ToLocalPath(path));
    }
    if (result.Failed()) {
        ShowErrorBox(IoErrorText(result.IoErrno));
        return;
    }
    if (result.Kind == LogKind::None) {
        ShowErrorBox(IgnoredFileText(shownPath.toStdString(), result.Ignored, result.Named));
        return;
    }
    PanelSrcFn->setText(shownPath);
    PanelDstFn->clear();
    m_overview->ShowLog();
    ShowSpan(m_service.Span());
}

void TFormMain::ShowSpan(const std::optional<LogSpan>& span)
{
    // The labels show the first and last entries in the logger's own order.
    LabelSta->setText(span ? FormatTime(span->First) : kNoFixesText);
    LabelSta->adjustSize();
    LabelEnd->setText(span ? FormatTime(span->Last) : kNoFixesText);
    LabelEnd->adjustSize();
    if (!span)
        return;
    // The controls cover every fix: a logger that filled its memory and wrote on from the front
    // has its first entry after its last. The end is exclusive, so it lies one second past the
    // latest fix's second.
    SetRow(UpDownSta, ClampToControls(CutToSecond(span->Earliest)));
    SetRow(UpDownEnd, ClampToControls(AddOneSecond(CutToSecond(span->Latest))));
}

void TFormMain::ButtonOutClick()
{
    if (m_service.FixCount() == 0) {
        ShowErrorBox(m_service.LoadedPath().empty() ? kNothingLoadedError : kNoFixesToWriteError);
        return;
    }
    // The dialog proposes the log's own name with ".nmea".
    const QString proposed =
        QFileInfo(FromLocalPath(ConversionService::DefaultTarget(m_service.LoadedPath())))
            .fileName();
    const std::optional<SaveChoice> chosen = m_dialogs.AskSavePath(this, m_saveFolder, proposed);
    if (!chosen)
        return;

    // The type picked in the dialog decides the writer and the extension.
    const ExportFormat format = FormatOf(chosen->Type);
    const std::string chosenPath = ToLocalPath(chosen->Path);
    const std::string target = ConversionService::DefaultTarget(chosenPath, format.Format);
    const std::optional<std::int64_t> start = RowMoment(UpDownSta);
    const std::optional<std::int64_t> end = RowMoment(UpDownEnd);
    if (!start || !end) {
        ShowErrorBox(kDateConversionError);
        return;
    }
    if (m_service.IsLoadedLog(target)) {
        ShowErrorBox(kSameFileError);
        return;
    }

    // The dialog confirmed replacing the name chosen in it; a different target is asked about.
    const QString targetText = QDir::toNativeSeparators(FromLocalPath(target));
    if (target != chosenPath && QFileInfo::exists(FromLocalPath(target)) &&
        !m_dialogs.AskOverwrite(this, OverwriteQuestion(targetText)))
        return;

    const ExportResult result =
        m_service.Export(target, ExportRequest{format, TimeWindow{*start, *end}});
    if (!result.Ok()) {
        ShowErrorBox(ExportErrorText(result, target));
        return;
    }
    // The count beside the path keeps an empty result from passing for success.
    PanelDstFn->setText(targetText + QStringLiteral("  ") + WrittenCountText(result.FixesWritten));
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (DraggedFile(event->mimeData()))
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event)
{
    const std::optional<QString> file = DraggedFile(event->mimeData());
    if (!file)
        return;
    event->acceptProposedAction();
    OpenLog(*file);
}

void TFormMain::SetRow(const ControlRow& row, const CalendarTime& time)
{
    const std::array<int, 6> values{time.Year, time.Month,  time.Day,
                                    time.Hour, time.Minute, time.Second};
    for (std::size_t i = 0; i < row.size(); ++i)
        row[i]->setValue(values[i]);
}

std::optional<std::int64_t> TFormMain::RowMoment(const ControlRow& row) const
{
    return ConversionService::MomentOf({row[0]->value(), row[1]->value(), row[2]->value(),
                                        row[3]->value(), row[4]->value(), row[5]->value(), 0});
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
