#include "support/FakeAppPlatform.h"

namespace launcher::testing {

void FakeStatusItem::setImage(const QImage& newImage)
{
    image = newImage;
    imageKeys.push_back(newImage.cacheKey());
    ++imageSets;
}

void FakeHotKeys::installHandler(std::function<void(int)> newHandler)
{
    handler = std::move(newHandler);
    log_ << QStringLiteral("hotKeys.installHandler");
}

void FakeHotKeys::removeHandler()
{
    handler = nullptr;
    log_ << QStringLiteral("hotKeys.removeHandler");
}

bool FakeHotKeys::registerHotKey(quint32 keyCode, quint32 modifiers, int id)
{
    log_ << QStringLiteral("hotKeys.register %1 %2 %3").arg(keyCode).arg(modifiers).arg(id);
    if (refused.count({keyCode, modifiers}))
        return false;
    registered.emplace_back(keyCode, modifiers, id);
    return true;
}

void FakeHotKeys::unregisterAll()
{
    registered.clear();
    log_ << QStringLiteral("hotKeys.unregisterAll");
}

bool FakeHotKeys::press(quint32 keyCode, quint32 modifiers)
{
    for (const auto& [key, mods, id] : registered)
        if (key == keyCode && mods == modifiers) {
            deliver(id);
            return true;
        }
    return false;
}

namespace {

class FakeToastPanel final : public ToastPanel {
public:
    FakeToastPanel(ToastPanelRecord& record, CallLog& log) : record_(record), log_(log) {}
    QSize size() const override { return record_.size; }
    void setText(const QString& text) override { record_.text = text; }
    void moveTo(const QPoint& topLeft) override { record_.topLeft = topLeft; }
    void showWithoutActivating() override
    {
        record_.shown = true;
        ++record_.shows;
        log_ << QStringLiteral("toast.show");
    }
    void hide() override { record_.shown = false; log_ << QStringLiteral("toast.hide"); }
    bool isShown() const override { return record_.shown; }

private:
    ToastPanelRecord& record_;
    CallLog& log_;
};

} // namespace

std::unique_ptr<ToastPanel> FakeDesktop::createToastPanel()
{
    ++toastPanelsCreated;
    return std::make_unique<FakeToastPanel>(toast, log_);
}

void FakeDashboardHost::open(StateStore&, const std::vector<HistorySession>& sessions, DashboardActions newActions)
{
    actions = std::move(newActions);
    ++opens;
    lastSessionCount = sessions.size();
    log_ << QStringLiteral("dashboard.open");
}

} // namespace launcher::testing
