// Clicks on a page as the window system delivers them.
#include "view/PageImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

void Send(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(PageImage, ADoubleClickIsOneClick) {
    PageImage page;
    page.resize(200, 300);
    page.show();
    QSignalSpy clicks(&page, &PageImage::clicked);
    QSignalSpy presses(&page, &PageImage::mousePressed);
    const QPoint at(20, 40);
    // What Qt delivers for a double-click: press, release, then the second press twice,
    // once as a press and once as a double-click, and its release.
    Send(&page, QEvent::MouseButtonPress, at);
    Send(&page, QEvent::MouseButtonRelease, at);
    Send(&page, QEvent::MouseButtonPress, at);
    Send(&page, QEvent::MouseButtonDblClick, at);
    Send(&page, QEvent::MouseButtonRelease, at);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_GE(presses.count(), 2); // the press position still follows every press

    // The next single click counts again.
    Send(&page, QEvent::MouseButtonPress, at);
    Send(&page, QEvent::MouseButtonRelease, at);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(PageImage, QtTestsDoubleClickIsOneClickToo) {
    PageImage page;
    page.resize(200, 300);
    page.show();
    QSignalSpy clicks(&page, &PageImage::clicked);
    QTest::mouseDClick(&page, Qt::LeftButton, Qt::NoModifier, QPoint(20, 40));
    EXPECT_LE(clicks.count(), 1);
}

TEST(PageImage, AClickOnThePageTakesTheKeyboardFocus) {
    // So a text field that had the keys gives them back to the book.
    EXPECT_EQ(PageImage().focusPolicy(), Qt::ClickFocus);
}
