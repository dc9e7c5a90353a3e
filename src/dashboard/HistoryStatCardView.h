#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

class QLabel;

namespace launcher {

// A small rounded card: tinted symbol, a fixed title, and a value.
class HistoryStatCardView : public QFrame {
public:
    HistoryStatCardView(const QString& iconName, const QString& title, QWidget* parent = nullptr);

    void setValue(const QString& value, const QColor& accentColor);
    QString title() const;
    QString value() const;
    QColor accentColor() const { return accent_; }

private:
    QString iconName_;
    QColor accent_;
    QLabel* iconView_;
    QLabel* titleLabel_;
    QLabel* valueLabel_;
};

} // namespace launcher
