#include "platform/HotKeyDispatch.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace launcher {

void HotKeyDispatch::install(std::function<void(int id)> handler)
{
    handler_ = handler ? std::make_shared<const std::function<void(int id)>>(std::move(handler)) : nullptr;
}

void HotKeyDispatch::remove()
{
    handler_.reset();
}

void HotKeyDispatch::post(int id) const
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!handler_ || !application)
        return;
    std::weak_ptr<const std::function<void(int id)>> handler = handler_;
    QMetaObject::invokeMethod(
        application,
        [handler, id] {
            if (const auto current = handler.lock())
                (*current)(id);
        },
        Qt::QueuedConnection);
}

} // namespace launcher
