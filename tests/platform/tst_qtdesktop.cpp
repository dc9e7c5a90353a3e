#include "platform/HotKeyDispatch.h"
#include "platform/QtDesktop.h"

#include <QApplication>
#include <QColorDialog>
#include <QTest>
#include <QWidget>

using namespace launcher;

namespace {

QColorDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QColorDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

} // namespace

class QtDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void pressesReachTheHandlerLaterInOrderAndOnlyWhileInstalled()
    {
        HotKeyDispatch dispatch;
        QList<int> ids;
        dispatch.post(1); // no handler yet: dropped
        dispatch.install([&](int id) { ids.append(id); });
        dispatch.post(2);
        dispatch.post(3);
        QVERIFY(ids.isEmpty()); // never inside the system's callback
        QCoreApplication::processEvents();
        QCOMPARE(ids, QList<int>({2, 3}));

        // Presses queued before a removal die with it, even if a handler comes back.
        dispatch.post(4);
        dispatch.remove();
        dispatch.post(5);
        dispatch.install([&](int id) { ids.append(10 * id); });
        QCoreApplication::processEvents();
        QCOMPARE(ids, QList<int>({2, 3}));
    }

    void colourPanelFollowsOnlyTheLatestOpening()
    {
        QtColorPanel panel;
        QList<QColor> forHang, forForced;
        panel.open(QColor("#B8F5C4"), [&](const QColor& color) { forHang.append(color); });
        QColorDialog* dialog = openDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->isModal());
        QVERIFY(!dialog->testOption(QColorDialog::ShowAlphaChannel));
        QCOMPARE(dialog->currentColor(), QColor("#B8F5C4"));
        QVERIFY(forHang.isEmpty()); // showing the current colour is no change

        dialog->setCurrentColor(QColor("#73DDF3"));
        dialog->setCurrentColor(QColor("#B896FF"));
        QCOMPARE(forHang, QList<QColor>({QColor("#73DDF3"), QColor("#B896FF")}));

        panel.open(QColor("#FFB347"), [&](const QColor& color) { forForced.append(color); });
        QCOMPARE(openDialog(), dialog);
        QCOMPARE(dialog->currentColor(), QColor("#FFB347"));
        dialog->setCurrentColor(Qt::white);
        QCOMPARE(forHang.size(), 2);
        QCOMPARE(forForced, QList<QColor>({QColor(Qt::white)}));
    }
};

QTEST_MAIN(QtDesktopTest)
#include "tst_qtdesktop.moc"
