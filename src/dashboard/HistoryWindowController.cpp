#include "dashboard/HistoryWindowController.h"

#include "dashboard/DashboardRootView.h"
#include "engine/Constants.h"
#include "engine/StateStore.h"

#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace launcher {

QRect dashboardWindowFrame(const std::optional<QRect>& visibleFrame)
{
    const QRect visible = visibleFrame.value_or(QRect(QPoint(0, 0), dashboardDefaultSize));
    // A frame narrower than the margins would give a negative size.
    const int width = std::max(1, std::min(visible.width() - 40, dashboardDefaultSize.width()));
    const int height = std::max(1, std::min(visible.height() - 28, dashboardDefaultSize.height()));
    // QRect::center() rounds down one pixel for even sizes; the midpoint is wanted.
    const int left = visible.x() + (visible.width() - width) / 2;
    const int top = visible.y() + (visible.height() - height) / 2;
    return QRect(left, top, width, height);
}

QString dashboardWindowTitle(const StateStore& state)
{
    return state.localized(QStringLiteral("Pelvane挂机控制台"), QStringLiteral("Pelvane Awake Dashboard"));
}

HistoryWindowController::HistoryWindowController(StateStore& state, ColorPanel& colorPanel, DashboardActions actions,
                                                 QWidget* parent)
    : QWidget(parent, Qt::Window),
      dashboardView_(new DashboardRootView(state, colorPanel, std::move(actions), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(dashboardView_);
    setWindowTitle(dashboardWindowTitle(state));
    setMinimumSize(dashboardMinimumSize);
    resize(dashboardDefaultSize);
}

void HistoryWindowController::showWindow(const std::optional<QRect>& visibleFrame)
{
    const QRect frame = dashboardWindowFrame(visibleFrame);
    fitMinimumSizeTo(visibleFrame);
    show();
    setGeometry(frame);
    if (QWindow* window = windowHandle()) {
        // The window opened to fit the main screen; from here on it follows its own.
        QObject::disconnect(screenChanged_);
        screenChanged_ = QObject::connect(window, &QWindow::screenChanged, this, [this](QScreen* screen) {
            followScreen(screen);
            if (screen)
                fitMinimumSizeTo(screen->availableGeometry());
        });
        followScreen(window->screen());
    }
    raise();
    activateWindow();
}

void HistoryWindowController::fitMinimumSizeTo(const std::optional<QRect>& visibleFrame)
{
    // A widget cannot be smaller than its minimum; on a small screen the
    // minimum gives way to the size the window opens at, and comes back on
    // a screen that holds it.
    setMinimumSize(dashboardMinimumSize.boundedTo(dashboardWindowFrame(visibleFrame).size()));
}

void HistoryWindowController::followScreen(QScreen* screen)
{
    QObject::disconnect(screenResized_);
    if (!screen)
        return;
    screenResized_ = QObject::connect(screen, &QScreen::availableGeometryChanged, this,
                                      [this](const QRect& visible) { fitMinimumSizeTo(visible); });
}

void HistoryWindowController::update(const std::vector<HistorySession>& sessions, StateStore& state)
{
    setWindowTitle(dashboardWindowTitle(state));
    dashboardView_->update(sessions, state);
}

void HistoryWindowController::showTab(DashboardTab tab)
{
    dashboardView_->showTab(tab);
}

} // namespace launcher
