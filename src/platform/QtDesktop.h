#pragma once

// The desktop facilities that Qt offers alike on every operating system; the
// platform folders add what it does not.

#include "platform/AppPlatform.h"
#include "platform/QtTranslations.h"

#include <QMetaObject>

#include <memory>

class QColorDialog;
class QWidget;

namespace launcher {

class QtToastPanel : public ToastPanel {
public:
    // Without translucency (no compositing window manager) the corners are cut by a mask.
    explicit QtToastPanel(bool translucent);
    ~QtToastPanel() override;

    QSize size() const override;
    void setText(const QString& text) override;
    void moveTo(const QPoint& topLeft) override;
    void showWithoutActivating() override;
    void hide() override;
    bool isShown() const override;

protected:
    QWidget& widget();

private:
    class View;
    std::unique_ptr<View> view_;
};

class QtColorPanel final : public ColorPanel {
public:
    QtColorPanel();
    ~QtColorPanel() override;
    void open(const QColor& current, std::function<void(const QColor&)> onChange) override;

private:
    std::unique_ptr<QColorDialog> dialog_;
    QMetaObject::Connection following_;
};

class QtDesktop : public Desktop {
public:
    void setAccessoryActivationPolicy() override {}
    void activateIgnoringOtherApps() override;
    void open(const QUrl& url) override;
    std::optional<QRect> mainScreenVisibleFrame() const override;
    void terminate() override;
    std::unique_ptr<ToastPanel> createToastPanel() override;
    void useInterfaceLanguage(const QString& localeName) override { translations_.use(localeName); }

private:
    QtTranslations translations_;
};

} // namespace launcher
