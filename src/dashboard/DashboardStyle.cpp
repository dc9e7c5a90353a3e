#include "dashboard/DashboardStyle.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace launcher::dashboardStyle {

QColor windowBackground()
{
    return QApplication::palette().color(QPalette::Window);
}

QColor controlBackground()
{
    return QApplication::palette().color(QPalette::Base);
}

QColor separator()
{
    return QApplication::palette().color(QPalette::Mid);
}

QColor label()
{
    return QApplication::palette().color(QPalette::WindowText);
}

QColor secondaryLabel()
{
    return QApplication::palette().color(QPalette::PlaceholderText);
}

QFont systemFont(int pixels, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void styleCard(QWidget* widget, const QColor& background, int cornerRadius, qreal borderAlpha)
{
    QColor border = separator();
    border.setAlphaF(float(borderAlpha));
    // The object-name selector keeps the frame off the card's children.
    if (widget->objectName().isEmpty())
        widget->setObjectName(QStringLiteral("card%1").arg(quintptr(widget), 0, 16));
    widget->setAttribute(Qt::WA_StyledBackground, true);
    widget->setStyleSheet(QStringLiteral("#%1 { background-color: %2; border: 1px solid %3; border-radius: %4px; }")
                              .arg(widget->objectName(), background.name(QColor::HexArgb), border.name(QColor::HexArgb))
                              .arg(cornerRadius));
}

QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, bool wrap, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setWordWrap(wrap);
    setLabelColor(label, color);
    return label;
}

void setLabelColor(QLabel* label, const QColor& color)
{
    // A palette set by hand does not survive the style sheets of the cards
    // around a label: every restyle resets it. A sheet of its own does.
    const QString sheet = QStringLiteral("color: %1;").arg(color.name(QColor::HexArgb));
    if (label->styleSheet() != sheet) // a new sheet restyles the label
        label->setStyleSheet(sheet);
}

} // namespace launcher::dashboardStyle
