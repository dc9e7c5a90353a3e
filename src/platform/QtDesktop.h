#pragma once

// The desktop facilities that Qt offers alike on every operating system; the
// platform folders add what it does not.

#include "platform/AppPlatform.h"
#include "platform/QtTranslations.h"

#include <QMetaObject>

#include <memory>

class QColorDialog;
class QObject;
class QWidget;

namespace launcher {

// Grows downwards when the text needs more than one line, so that no notice is
// cut; keeps itself above every window of the program that appears while it is
// shown.
class QtToastPanel : public ToastPanel {
public:
    static constexpr int fontPixelSize = 14;

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
    QtDesktop();
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    void setAccessoryActivationPolicy() override {}
    // Raises the window that was shown or raised last, not whichever happens to
    // be active: the one just opened is what the user asked for.
    void activateIgnoringOtherApps() override;
    void open(const QUrl& url) override;
    std::optional<QRect> mainScreenVisibleFrame() const override;
    void terminate() override;
    std::unique_ptr<ToastPanel> createToastPanel() override;
    void useInterfaceLanguage(const QString& localeName) override { translations_.use(localeName); }

private:
    class FrontWindowTracker;
    std::unique_ptr<FrontWindowTracker> tracker_;
    QtTranslations translations_;
};

} // namespace launcher
