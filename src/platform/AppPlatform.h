#pragma once

// What the menu-bar application needs from the desktop, beside the engine's
// Platform. Each interface has a Linux and a macOS implementation under
// platform/ and a recording fake under tests/support/.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace launcher {

// The item in the menu bar (macOS) or the notification area (Linux).
class StatusItem {
public:
    virtual ~StatusItem() = default;
    // The glyph, drawn with its device pixel ratio set. Called only when the
    // image changed.
    virtual void setImage(const QImage& image) = 0;
    // Shown beside the image where the platform can (macOS).
    virtual void setTitle(const QString& title) = 0;
    // Shown on hovering; kept current while it is shown.
    virtual void setToolTip(const QString&) {}
    // False where every new image or tooltip travels to another process (a
    // tray drawn over D-Bus): there the glyph stands still and the tooltip
    // changes at most once a minute.
    virtual bool showsFramesCheaply() const { return true; }
    // Whether anything on screen shows the item now.
    virtual bool isShown() const { return true; }
    // The menu shown on click; not owned, replaced by the next call.
    virtual void setMenu(QMenu* menu) = 0;
    // Run on a primary click where the tray itself shows the menu only on the
    // secondary one (a StatusNotifier host); elsewhere either click opens it.
    virtual void setPrimaryAction(std::function<void()>) {}
    // Closes the menu if it is open; nothing otherwise.
    virtual void closeMenu() = 0;
};

// Control-Option (Control-Alt) in Qt's terms, which name the Control key
// Meta on macOS.
#ifdef Q_OS_MACOS
inline constexpr Qt::KeyboardModifiers hotKeyControlOption = Qt::MetaModifier | Qt::AltModifier;
#else
inline constexpr Qt::KeyboardModifiers hotKeyControlOption = Qt::ControlModifier | Qt::AltModifier;
#endif

enum class HotKeyAction { toggleNormal = 1, forceMode = 2, disable = 3 };

// Why combinations cannot be had: another program holds them, or this desktop
// lets no program have system-wide keys.
enum class HotKeyRefusal { taken, notOffered };

class HotKeys {
public:
    virtual ~HotKeys() = default;
    // Installs the one press handler; it is called from the event loop with
    // the id given at registration.
    virtual void installHandler(std::function<void(int id)> handler) = 0;
    virtual void removeHandler() = 0;
    // Registers one system-wide combination; description says what it does
    // where the desktop lists it. False when it cannot be had (refusal() says
    // why); the others are not affected.
    virtual bool registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString& description) = 0;
    virtual void unregisterAll() = 0;
    virtual HotKeyRefusal refusal() const { return HotKeyRefusal::taken; }
    // Where the desktop answers later, the ids of accepted registrations it
    // then turns down, all at once; refusal() says why.
    virtual void setLateRefusalHandler(std::function<void(const std::vector<int>& ids)>) {}
};

// The toast's window: a small panel that never takes focus and lets clicks
// through. The controller decides what it says, where and for how long.
class ToastPanel {
public:
    virtual ~ToastPanel() = default;
    virtual QSize size() const = 0;
    virtual void setText(const QString& text) = 0;
    virtual void moveTo(const QPoint& topLeft) = 0;
    // Brings it to the front without activating the program.
    virtual void showWithoutActivating() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
};

// The system colour chooser, without alpha, following changes live.
class ColorPanel {
public:
    virtual ~ColorPanel() = default;
    virtual void open(const QColor& current, std::function<void(const QColor&)> onChange) = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // No Dock icon and no main menu (macOS); nothing elsewhere.
    virtual void setAccessoryActivationPolicy() = 0;
    // Brings the program to the front, ignoring other applications.
    virtual void activateIgnoringOtherApps() = 0;
    // Opens a folder in the file browser or an address in the browser.
    virtual void open(const QUrl& url) = 0;
    // The main screen's area without menu bar and Dock; absent without a screen.
    virtual std::optional<QRect> mainScreenVisibleFrame() const = 0;
    // Ends the event loop; the shutdown sequence runs after it.
    virtual void terminate() = 0;
    virtual std::unique_ptr<ToastPanel> createToastPanel() = 0;
    // The toolkit's own texts (the colour panel's, for one) in this language:
    // a locale name, "zh_CN" or "en".
    virtual void useInterfaceLanguage(const QString& localeName) = 0;
};

// The system symbol of this name drawn black into a square image of
// points × devicePixelRatio pixels; null where the system has none such.
QImage systemSymbolImage(const QString& name, qreal points, qreal devicePixelRatio);

// Everything the application delegate needs from the desktop. Non-owning.
struct AppPlatform {
    StatusItem& statusItem;
    HotKeys& hotKeys;
    ColorPanel& colorPanel;
    Desktop& desktop;
};

} // namespace launcher
