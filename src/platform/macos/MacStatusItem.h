#pragma once

#include "platform/AppPlatform.h"

namespace launcher {

// An item of the system status bar of variable length: the glyph with the
// title beside it in monospaced digits, and the Qt menu's own NSMenu.
class MacStatusItem final : public StatusItem {
public:
    MacStatusItem();
    ~MacStatusItem() override;
    MacStatusItem(const MacStatusItem&) = delete;
    MacStatusItem& operator=(const MacStatusItem&) = delete;

    void setImage(const QImage& image) override;
    void setTitle(const QString& title) override;
    void setMenu(QMenu* menu) override;
    void closeMenu() override;

private:
    void* item_ = nullptr; // retained NSStatusItem
};

} // namespace launcher
