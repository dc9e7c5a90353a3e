#pragma once

#include <QString>

#include <memory>

class QTranslator;
class QWidget;

namespace launcher {

// Qt's own translations of its dialogs and buttons (the colour panel's
// title, for one), installed for one language at a time.
class QtTranslations {
public:
    QtTranslations();
    ~QtTranslations();

    // A locale name such as "zh_CN"; a language Qt has no translation for
    // leaves its English texts.
    void use(const QString& localeName);
    QString current() const { return current_; }

private:
    QString current_;
    std::unique_ptr<QTranslator> translator_;
};

// Sets the window's title to the translation of this source text now and at
// every change of language; Qt's dialogs retranslate their contents but not
// their titles.
void keepTitleTranslated(QWidget* window, const char* context, const char* title);

} // namespace launcher
