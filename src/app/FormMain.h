#pragma once

#include "app/Dialogs.h"
#include "convert/ConversionService.h"
#include "store/TimeBase.h"

#include <QWidget>
#include <array>
#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TOverview;
class TimeRangeEdit;

// The one window: the load command and its displays, the twelve date and time controls of the
// export window, and the export command. The handlers call the core and refresh the displays.
class TFormMain : public QWidget
{
    Q_OBJECT

  public:
    TFormMain(ConversionService& service, Dialogs& dialogs, QWidget* parent = nullptr);

    // Sets the time base, presets the twelve controls to now and picks the dialogs' folders.
    // Run once by the constructor, after the controls exist.
    void FormCreate();
    // The load command (also Ctrl+O): asks for a log file and opens it.
    void ButtonOpenClick();
    // Loads a log and shows it: its path, its span, the controls preset to cover it. A file the
    // loading refuses shows an error box and changes nothing. The open dialog, a file dropped on
    // the window and the command line all come here.
    void OpenLog(const QString& path);
    // The export command (also Ctrl+S): asks for a file name and writes the fixes of the chosen
    // window.
    void ButtonOutClick();

    // The dialogs' initial folders as FormCreate set them.
    [[nodiscard]] const QString& OpenFolder() const { return m_openFolder; }
    [[nodiscard]] const QString& SaveFolder() const { return m_saveFolder; }

  protected:
    // A single local file dragged onto the window is opened like a log chosen in the dialog.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateControls();
    // The overview of the loaded log below the controls, tied to the twelve controls.
    void CreateOverview();
    void CreateShortcuts();
    void ShowSpan(const std::optional<LogSpan>& span);
    [[nodiscard]] QString FormatTime(double dayCount) const;
    void ShowErrorBox(std::string_view message);

    ConversionService& m_service;
    Dialogs& m_dialogs;
    QString m_openFolder;
    QString m_saveFolder;
    QString m_dateSeparator;
    QString m_timeSeparator;

    QGroupBox* GroupBox1 = nullptr;
    QPushButton* ButtonOpen = nullptr;
    QLabel* PanelSrcFn = nullptr;
    QLabel* LabelSta = nullptr;
    QLabel* LabelEnd = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TimeRangeEdit* m_range = nullptr; // the twelve date and time controls
    QPushButton* ButtonOut = nullptr;
    QLabel* PanelDstFn = nullptr;
    TOverview* m_overview = nullptr;
};
