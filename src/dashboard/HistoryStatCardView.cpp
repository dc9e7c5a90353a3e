#include "dashboard/HistoryStatCardView.h"

#include "dashboard/DashboardStyle.h"
#include "dashboard/Symbols.h"

#include <QGridLayout>
#include <QLabel>

namespace launcher {

using namespace dashboardStyle;

HistoryStatCardView::HistoryStatCardView(const QString& iconName, const QString& title, QWidget* parent)
    : QFrame(parent),
      iconName_(iconName),
      accent_(label()),
      iconView_(new QLabel(this)),
      titleLabel_(makeLabel(title, systemFont(9, QFont::DemiBold), secondaryLabel(), true, this)),
      valueLabel_(makeLabel(QStringLiteral("--"), systemFont(14, QFont::Bold), label(), true, this))
{
    styleCard(this, controlBackground(), 12, 0.35);
    iconView_->setFixedSize(16, 16);
    iconView_->setAccessibleName(title);
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setHorizontalSpacing(8);
    layout->addWidget(iconView_, 0, 0, Qt::AlignTop);
    layout->addWidget(titleLabel_, 0, 1);
    layout->setRowStretch(1, 1);
    layout->addWidget(valueLabel_, 2, 0, 1, 2, Qt::AlignBottom);
    layout->setColumnStretch(1, 1);
    setValue(QStringLiteral("--"), label());
}

void HistoryStatCardView::setValue(const QString& value, const QColor& accentColor)
{
    if (value == valueLabel_->text() && accentColor == accent_ && !iconView_->pixmap().isNull())
        return;
    accent_ = accentColor;
    valueLabel_->setText(value);
    setLabelColor(valueLabel_, accentColor);
    iconView_->setPixmap(symbolPixmap(iconName_, 14, accentColor, devicePixelRatioF()));
}

QString HistoryStatCardView::title() const
{
    return titleLabel_->text();
}

QString HistoryStatCardView::value() const
{
    return valueLabel_->text();
}

} // namespace launcher
