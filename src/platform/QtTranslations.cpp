#include "platform/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWidget>

namespace launcher {

QtTranslations::QtTranslations() = default;

QtTranslations::~QtTranslations()
{
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
}

void QtTranslations::use(const QString& localeName)
{
    if (localeName == current_)
        return;
    current_ = localeName;
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    // Open widgets hear of the change and retranslate themselves.
    if (translator->load(QLocale(localeName), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator.get()))
        translator_ = std::move(translator);
}

namespace {

class TitleTranslator final : public QObject {
public:
    TitleTranslator(QWidget* window, const char* context, const char* title)
        : QObject(window), window_(window), context_(context), title_(title)
    {
        retitle();
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::LanguageChange)
            retitle();
        return false;
    }

private:
    void retitle() { window_->setWindowTitle(QCoreApplication::translate(context_, title_)); }

    QWidget* window_;
    const char* context_;
    const char* title_;
};

} // namespace

void keepTitleTranslated(QWidget* window, const char* context, const char* title)
{
    new TitleTranslator(window, context, title);
}

} // namespace launcher
