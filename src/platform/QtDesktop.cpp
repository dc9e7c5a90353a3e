#include "platform/QtDesktop.h"

#include "platform/QtTranslations.h"
#include "store/Color.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace launcher {

namespace {

constexpr QSize toastSize{340, 54};
constexpr qreal toastRadius = 14;
constexpr int toastMargin = 16;
// Above and below the text once it needs more than the one line the panel was made for.
constexpr int toastPadding = 10;
constexpr int toastTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr int toastMaxLines = 4;

QPainterPath toastOutline(const QRectF& rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, toastRadius, toastRadius);
    return path;
}

// Windows the user works in, as opposed to menus, tool tips and the toast.
bool isOrdinaryWindow(const QWidget* widget)
{
    return widget->isWindow() && (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog);
}

} // namespace

class QtToastPanel::View final : public QWidget {
public:
    explicit View(bool translucent)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                               | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
          translucent_(translucent)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        if (translucent_)
            setAttribute(Qt::WA_TranslucentBackground);
        // Sizes are logical pixels here, as the points they come from are on macOS.
        QFont font = QApplication::font();
        font.setPixelSize(fontPixelSize);
        font.setWeight(QFont::DemiBold);
        setFont(font);
        fitText();
    }

    void setText(const QString& text)
    {
        text_ = text;
        fitText();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor background = activePelvaneGreenDeep();
        if (translucent_)
            background.setAlphaF(0.96f);
        painter.fillPath(toastOutline(rect()), background);
        painter.setPen(Qt::white);
        painter.drawText(textArea(), toastTextFlags, shown_);
    }

    // Only while shown: the rest of the time the program's events are none of its business.
    void showEvent(QShowEvent*) override { qApp->installEventFilter(this); }
    void hideEvent(QHideEvent*) override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Expose: // a window manager maps and stacks a new window only now
        case QEvent::ZOrderChange:
        case QEvent::WindowActivate:
            if (isAnotherWindow(watched))
                raiseSoon();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QRect textArea() const { return rect().adjusted(toastMargin, 0, -toastMargin, 0); }

    // The width stays; the height grows to whatever the wrapped text needs, up
    // to a few lines, of which the last is elided.
    void fitText()
    {
        const int width = toastSize.width() - 2 * toastMargin;
        shown_ = text_;
        QTextLayout layout(text_, font());
        layout.setTextOption(QTextOption(Qt::AlignHCenter));
        layout.beginLayout();
        for (int lines = 0;; ++lines) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width);
            if (lines == toastMaxLines - 1 && line.textStart() + line.textLength() < text_.size()) {
                shown_ = text_.left(line.textStart())
                    + fontMetrics().elidedText(text_.mid(line.textStart()), Qt::ElideRight, width);
                break;
            }
        }
        layout.endLayout();
        const QRect needed = fontMetrics().boundingRect(QRect(0, 0, width, QWIDGETSIZE_MAX), toastTextFlags, shown_);
        setFixedSize(toastSize.width(), std::max(toastSize.height(), needed.height() + 2 * toastPadding));
        if (!translucent_)
            setMask(QRegion(toastOutline(rect()).toFillPolygon().toPolygon()));
    }

    bool isAnotherWindow(QObject* watched) const
    {
        if (const auto* widget = qobject_cast<QWidget*>(watched))
            return widget != this && widget->isWindow();
        if (const auto* window = qobject_cast<QWindow*>(watched))
            return window != windowHandle() && window->isTopLevel();
        return false;
    }

    // After the other window's own show or raise has reached the window system.
    void raiseSoon()
    {
        if (raisePending_)
            return;
        raisePending_ = true;
        QTimer::singleShot(0, this, [this] {
            raisePending_ = false;
            if (isVisible())
                raise();
        });
    }

    bool translucent_;
    bool raisePending_ = false;
    QString text_;
    QString shown_;
};

QtToastPanel::QtToastPanel(bool translucent) : view_(std::make_unique<View>(translucent)) {}

QtToastPanel::~QtToastPanel() = default;

QSize QtToastPanel::size() const
{
    return view_->size();
}

void QtToastPanel::setText(const QString& text)
{
    view_->setText(text);
}

void QtToastPanel::moveTo(const QPoint& topLeft)
{
    view_->move(topLeft);
}

void QtToastPanel::showWithoutActivating()
{
    view_->show();
    view_->raise();
}

void QtToastPanel::hide()
{
    view_->hide();
}

bool QtToastPanel::isShown() const
{
    return view_->isVisible();
}

QWidget& QtToastPanel::widget()
{
    return *view_;
}

QtColorPanel::QtColorPanel() = default;

QtColorPanel::~QtColorPanel() = default;

void QtColorPanel::open(const QColor& current, std::function<void(const QColor&)> onChange)
{
    if (!dialog_) {
        dialog_ = std::make_unique<QColorDialog>();
        // Changes apply as they are made, so there is nothing to confirm or cancel.
        dialog_->setOptions(QColorDialog::NoButtons);
        dialog_->setWindowModality(Qt::NonModal);
        keepTitleTranslated(dialog_.get(), "QColorDialog", "Select Color");
    }
    QObject::disconnect(following_);
    dialog_->setCurrentColor(current);
    following_ = QObject::connect(dialog_.get(), &QColorDialog::currentColorChanged, dialog_.get(),
                                  [onChange = std::move(onChange)](const QColor& color) {
                                      if (onChange)
                                          onChange(color);
                                  });
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

// Remembers the ordinary window that was last shown or raised.
class QtDesktop::FrontWindowTracker final : public QObject {
public:
    FrontWindowTracker()
    {
        if (qApp)
            qApp->installEventFilter(this);
    }

    QWidget* front() const { return front_ && front_->isVisible() ? front_.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::ZOrderChange)
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && isOrdinaryWindow(widget))
                front_ = widget;
        return false;
    }

private:
    QPointer<QWidget> front_;
};

QtDesktop::QtDesktop() : tracker_(std::make_unique<FrontWindowTracker>()) {}

QtDesktop::~QtDesktop() = default;

void QtDesktop::activateIgnoringOtherApps()
{
    QWidget* target = tracker_->front();
    if (!target)
        target = QApplication::activeWindow();
    if (!target)
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && isOrdinaryWindow(widget))
                target = widget;
    if (target) {
        target->raise();
        target->activateWindow();
    }
}

void QtDesktop::open(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

std::optional<QRect> QtDesktop::mainScreenVisibleFrame() const
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return std::nullopt;
}

void QtDesktop::terminate()
{
    QCoreApplication::quit();
}

std::unique_ptr<ToastPanel> QtDesktop::createToastPanel()
{
    return std::make_unique<QtToastPanel>(true);
}

} // namespace launcher
