#include "app/ToastWindowController.h"

#include "engine/Timings.h"

namespace launcher {

ToastWindowController::ToastWindowController(Desktop& desktop, Clock& clock)
    : desktop_(desktop), clock_(clock), panel_(desktop.createToastPanel())
{
}

ToastWindowController::~ToastWindowController()
{
    if (hideTimer_)
        clock_.cancel(*hideTimer_);
}

void ToastWindowController::show(const QString& message)
{
    if (!panel_)
        return;
    panel_->setText(message);
    // Without a screen the panel stays wherever it last was.
    if (const auto frame = desktop_.mainScreenVisibleFrame()) {
        const QSize size = panel_->size();
        panel_->moveTo(QPoint(frame->x() + (frame->width() - size.width()) / 2,
                              frame->y() + (frame->height() - size.height()) / 2));
    }
    panel_->showWithoutActivating();
    if (hideTimer_)
        clock_.cancel(*hideTimer_);
    hideTimer_ = clock_.singleShot(toastVisibleSeconds, [this] {
        hideTimer_.reset();
        panel_->hide();
    });
}

} // namespace launcher
