#include "ControlDump.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTextStream>

namespace {

// The design's controls carry these names; the overview's parts are laid out, not placed.
bool IsDesignControl(const QWidget& widget)
{
    for (const QWidget* p = widget.parentWidget(); p != nullptr; p = p->parentWidget())
        if (p->objectName() == QLatin1String("Overview"))
            return false;
    const QString& name = widget.objectName();
    for (const char* prefix : {"GroupBox", "Button", "Panel", "Label", "UpDown"})
        if (name.startsWith(QLatin1String(prefix)) && name != QLatin1String("LabelSummary"))
            return true;
    return false;
}

const QWidget* DesignParent(const QWidget& widget, const QWidget& form)
{
    for (const QWidget* p = widget.parentWidget(); p != nullptr; p = p->parentWidget())
        if (p == &form || p->objectName().startsWith(QLatin1String("GroupBox")))
            return p;
    return &form;
}

QString Caption(const QWidget& widget)
{
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget))
        return group->title();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    return {};
}

void Describe(QTextStream& out, const QWidget& widget, const QWidget& form)
{
    const QWidget* parent = DesignParent(widget, form);
    const QPoint at = widget.mapTo(parent, QPoint(0, 0));
    out << widget.objectName() << ' ' << widget.metaObject()->className() << " in "
        << parent->objectName() << " at " << at.x() << ',' << at.y();
    const bool panel = widget.objectName().startsWith(QLatin1String("Panel"));
    if (qobject_cast<const QLabel*>(&widget) == nullptr || panel)
        out << " size " << widget.width() << 'x' << widget.height();
    out << " font " << widget.font().pixelSize() << "px";
    if (const auto* spin = qobject_cast<const QSpinBox*>(&widget)) {
        const auto* edit = spin->findChild<QLineEdit*>();
        out << " range " << spin->minimum() << ".." << spin->maximum() << " edit "
            << edit->objectName() << " maxlength " << edit->maxLength();
    } else {
        out << " \"" << Caption(widget) << '"';
    }
    if (widget.focusPolicy() == Qt::NoFocus)
        out << " nofocus";
    out << '\n';
}

} // namespace

std::string DescribeControls(QWidget& form)
{
    QString text;
    QTextStream out(&text);
    const QList<QWidget*> all = form.findChildren<QWidget*>();
    for (const QWidget* widget : all)
        if (IsDesignControl(*widget))
            Describe(out, *widget, form);
    // Where Tab goes from the load button until it comes back (a spin box named by its edit).
    out << "tab order:";
    auto* start = form.findChild<QWidget*>(QStringLiteral("ButtonOpen"));
    start->setFocus();
    for (int guard = 0; guard < 64; ++guard) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || (guard > 0 && focus == start))
            break;
        if (auto* spin = qobject_cast<QSpinBox*>(focus))
            focus = spin->findChild<QLineEdit*>();
        out << ' ' << focus->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    out << '\n';
    return text.toStdString();
}
