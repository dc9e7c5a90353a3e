#include "platform/QtDesktop.h"

#include "platform/QtTranslations.h"
#include "store/Color.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWidget>

namespace launcher {

namespace {

constexpr QSize toastSize{340, 54};
constexpr qreal toastRadius = 14;
constexpr int toastMargin = 16;

QPainterPath toastOutline(const QRectF& rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, toastRadius, toastRadius);
    return path;
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
        setFixedSize(toastSize);
        if (translucent_)
            setAttribute(Qt::WA_TranslucentBackground);
        else
            setMask(QRegion(toastOutline(rect()).toFillPolygon().toPolygon()));
        QFont font = QApplication::font();
        font.setPointSizeF(14);
        font.setWeight(QFont::DemiBold);
        setFont(font);
    }

    void setText(const QString& text)
    {
        text_ = text;
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
        // One line: what does not fit is elided, the panel keeps its size.
        const QRect line = rect().adjusted(toastMargin, 0, -toastMargin, 0);
        painter.setPen(Qt::white);
        painter.drawText(line, Qt::AlignCenter, fontMetrics().elidedText(text_, Qt::ElideRight, line.width()));
    }

private:
    bool translucent_;
    QString text_;
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

void QtDesktop::activateIgnoringOtherApps()
{
    QWidget* target = QApplication::activeWindow();
    if (!target)
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog))
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
