#pragma once

#include <QLabel>
#include <QString>

// A borderless panel that shows a path, left-aligned and vertically centred, and after it a tail
// (the count of an export). A path too long for the panel is shortened in its middle, so that
// the tail always stays in sight; the tooltip shows the path whole.
class PathPanel final : public QLabel
{
    Q_OBJECT

  public:
    PathPanel(QWidget* parent, const char* name, const QRect& geometry);

    void SetPath(const QString& path, const QString& tail = {});
    void Clear() { SetPath({}); }
    [[nodiscard]] const QString& Path() const { return m_path; }

    [[nodiscard]] QSize minimumSizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Fit();

    QString m_path;
    QString m_tail;
};
