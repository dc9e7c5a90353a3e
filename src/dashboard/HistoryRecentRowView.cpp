#include "dashboard/HistoryRecentRowView.h"

#include "dashboard/DashboardStyle.h"
#include "dashboard/Symbols.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>

#include <cmath>

namespace launcher {

using namespace dashboardStyle;

HistoryRecentRowView::HistoryRecentRowView(const HistorySession& session, const QTimeZone& timeZone, QWidget* parent)
    : QFrame(parent),
      icon_(new QLabel(this)),
      text_(makeLabel(QString(), systemFont(13, QFont::Medium), label(), false, this))
{
    QColor background = windowBackground();
    background.setAlphaF(0.75f);
    styleCard(this, background, 12, 0);
    setFixedHeight(42);
    icon_->setFixedSize(22, 22);
    icon_->setAlignment(Qt::AlignCenter);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(10);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);
    layout->addWidget(text_, 1, Qt::AlignVCenter);
    setSession(session, timeZone);
}

void HistoryRecentRowView::setSession(const HistorySession& session, const QTimeZone& timeZone)
{
    const bool forced = session.mode == AwakeMode::forced;
    if (forced_ != forced) {
        forced_ = forced;
        icon_->setPixmap(symbolPixmap(forced ? QStringLiteral("moon.fill") : QStringLiteral("sun.max.fill"), 18,
                                      forced ? activePelvaneGreenDeep() : activePelvaneGreen(), devicePixelRatioF()));
    }
    const QString text = title(session, timeZone);
    if (text != text_->text())
        text_->setText(text);
}

QString HistoryRecentRowView::text() const
{
    return text_->text();
}

QString HistoryRecentRowView::title(const HistorySession& session, const QTimeZone& timeZone)
{
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(qint64(std::floor(session.start * 1000.0)), timeZone);
    const QString date = QLocale(QStringLiteral("zh_CN")).toString(start, QStringLiteral("MM-dd HH:mm"));
    const auto seconds = qint64(session.duration());
    const QString mode = session.mode == AwakeMode::forced ? QStringLiteral("强制挂机") : QStringLiteral("挂机模式");
    return QStringLiteral("%1 · %2 · %3小时%4分")
        .arg(date, mode)
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

} // namespace launcher
