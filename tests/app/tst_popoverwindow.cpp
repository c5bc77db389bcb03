#include "popoverwindow.h"

#include <QAccessible>
#include <QLineEdit>
#include <QtTest>

class TestPopoverWindow : public QObject {
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void smallScreensGetALowerPopup_data();
    void smallScreensGetALowerPopup();
    void popoverOpensActiveAndClosesOnOutsideClick();
    void windowModeWithoutTray();
    void popoverClosesWhenItLosesTheFocusOrOnEscape();
};

void TestPopoverWindow::placement_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("topLeft");

    const QRect belowTopPanel(0, 24, 1280, 776);
    const QRect aboveBottomPanel(0, 0, 1280, 776);
    QTest::newRow("icon mid-way along a top panel")
        << QRect(600, 0, 24, 24) << QPoint() << belowTopPanel << QPoint(451, 24);
    QTest::newRow("icon at the right end: kept on screen")
        << QRect(1240, 0, 24, 24) << QPoint() << belowTopPanel << QPoint(960, 24);
    QTest::newRow("icon at the left end: kept on screen")
        << QRect(4, 0, 24, 24) << QPoint() << belowTopPanel << QPoint(0, 24);
    QTest::newRow("bottom panel: above the icon")
        << QRect(1200, 776, 24, 24) << QPoint() << aboveBottomPanel << QPoint(960, 76);
    QTest::newRow("no icon geometry: at the cursor, below the top panel")
        << QRect() << QPoint(1268, 12) << belowTopPanel << QPoint(960, 24);
    QTest::newRow("no icon geometry: at the cursor near the bottom")
        << QRect() << QPoint(100, 790) << aboveBottomPanel << QPoint(0, 76);
    QTest::newRow("second screen to the right")
        << QRect(3100, 0, 24, 24) << QPoint() << QRect(1280, 24, 1920, 1056) << QPoint(2880, 24);
    QTest::newRow("screen lower than the popup: top edge visible")
        << QRect(500, 0, 24, 24) << QPoint() << QRect(0, 0, 1024, 600) << QPoint(351, 0);
}

void TestPopoverWindow::placement()
{
    QFETCH(QRect, anchor);
    QFETCH(QPoint, cursor);
    QFETCH(QRect, available);
    QFETCH(QPoint, topLeft);
    QCOMPARE(PopoverWindow::placement(anchor, cursor, available, PopoverWindow::kContentSize), topLeft);
}

void TestPopoverWindow::smallScreensGetALowerPopup_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("room enough: 320 x 700 under the icon")
        << QRect(600, 0, 24, 24) << QRect(0, 24, 1280, 776) << QRect(451, 24, 320, 700);
    QTest::newRow("1280 x 640, top panel: lower, under the icon")
        << QRect(1200, 0, 24, 24) << QRect(0, 24, 1280, 616) << QRect(960, 24, 320, 616);
    QTest::newRow("1920 x 1080 at 150 %, bottom panel: lower, above the icon")
        << QRect(1200, 676, 24, 24) << QRect(0, 0, 1280, 676) << QRect(960, 0, 320, 676);
}

void TestPopoverWindow::smallScreensGetALowerPopup()
{
    QFETCH(QRect, anchor);
    QFETCH(QRect, available);
    QFETCH(QRect, geometry);
    const QRect placed = PopoverWindow::popupGeometry(anchor, QPoint(), available);
    QCOMPARE(placed, geometry);
    QVERIFY(!placed.intersects(anchor));
    QVERIFY(available.contains(placed));
}

void TestPopoverWindow::popoverOpensActiveAndClosesOnOutsideClick()
{
    auto *panel = new QWidget;
    auto *field = new QLineEdit(panel);
    PopoverWindow popover(panel, PopoverWindow::Mode::Popover);
    QCOMPARE(popover.windowType(), Qt::Tool);
    QVERIFY(popover.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(popover.panel(), panel);
    QCOMPARE(panel->window(), &popover);

    popover.showUnder(QRect());
    QVERIFY(popover.isVisible());
    QCOMPARE(popover.size(), QSize(320, 700));
    QVERIFY(QTest::qWaitForWindowActive(&popover));
    // Typed at once, without a click first, the keys reach the panel.
    QTest::keyClicks(nullptr, "abc"); // to where the keyboard focus is
    QCOMPARE(field->text(), QString("abc"));

    // A screen reader finds it among the application's windows, by name.
    QAccessibleInterface *application = QAccessible::queryAccessibleInterface(qApp);
    QVERIFY(application);
    bool listed = false;
    for (int i = 0; i < application->childCount(); ++i) {
        QAccessibleInterface *window = application->child(i);
        listed = listed
            || (window && window->object() == &popover && window->text(QAccessible::Name) == "Lumarel"
                && window->role() == QAccessible::Window);
    }
    QVERIFY(listed);

    // Closed from the icon: the next click may open it at once.
    popover.dismiss();
    QVERIFY(!popover.isVisible());
    QVERIFY(!popover.justClosedByOutsideClick());

    // Holding the pointer, it gets the clicks outside its area (X11).
    popover.showUnder(QRect(600, 0, 24, 24));
    QVERIFY(QTest::qWaitForWindowActive(&popover));
    QTest::mousePress(&popover, Qt::LeftButton, {}, QPoint(-20, -20));
    QVERIFY(!popover.isVisible());
    QVERIFY(popover.justClosedByOutsideClick());
    QTRY_VERIFY_WITH_TIMEOUT(!popover.justClosedByOutsideClick(), PopoverWindow::kReopenGuardMs * 10);

    // A click inside leaves it open, and the panel is still the same one.
    popover.showUnder(QRect());
    QTest::mouseClick(&popover, Qt::LeftButton, {}, QPoint(160, 350));
    QVERIFY(popover.isVisible());
    QCOMPARE(popover.panel(), panel);
}

void TestPopoverWindow::windowModeWithoutTray()
{
    PopoverWindow window(new QWidget, PopoverWindow::Mode::Window);
    QCOMPARE(window.windowType(), Qt::Window);
    QCOMPARE(window.windowTitle(), QStringLiteral("Lumarel"));
    window.show();
    QCOMPARE(window.size(), QSize(320, 700));
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.hide();
    QVERIFY(!window.justClosedByOutsideClick());
}

void TestPopoverWindow::popoverClosesWhenItLosesTheFocusOrOnEscape()
{
    auto *panel = new QWidget;
    auto *field = new QLineEdit(panel);
    PopoverWindow popover(panel, PopoverWindow::Mode::Popover);

    popover.showUnder(QRect(600, 0, 24, 24));
    QVERIFY(QTest::qWaitForWindowActive(&popover));
    QTest::keyClicks(nullptr, "x");
    QCOMPARE(field->text(), QString("x"));

    // A click in another window takes the focus: that is a click outside.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    QTRY_VERIFY(!popover.isVisible());
    QVERIFY(popover.justClosedByOutsideClick());

    popover.showUnder(QRect(600, 0, 24, 24));
    QVERIFY(QTest::qWaitForWindowActive(&popover));
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!popover.isVisible());
    QVERIFY(!popover.justClosedByOutsideClick());
}

QTEST_MAIN(TestPopoverWindow)
#include "tst_popoverwindow.moc"
