// The widgets a book view draws into, laid out as the main window has them, for the view's
// window tests: a 900 x 700 window, the 800 x 600 background, the book's panel with its two
// pages, and the page scroll bar.
#pragma once

#include "view/BookView.h"
#include "view/PageImage.h"

#include <QLabel>
#include <QScrollBar>
#include <QWidget>

namespace folivex::testing {

struct BookWindow {
    BookWindow() {
        window.resize(900, 700);
        imgBase->setGeometry(0, 0, 800, 600);
        scroll->setMinimum(1);
    }
    BookWidgets Widgets() { return {&window, imgBase, ntbBase, left, right, scroll}; }

    QWidget window; // owns the rest
    QLabel* imgBase = new QLabel(&window);
    QWidget* ntbBase = new QWidget(&window);
    PageImage* left = new PageImage(ntbBase);
    PageImage* right = new PageImage(ntbBase);
    QScrollBar* scroll = new QScrollBar(&window);
};

} // namespace folivex::testing
