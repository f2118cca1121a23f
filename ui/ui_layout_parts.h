#pragma once
// Small factories shared by the page builders of the main window. Controls
// are placed at fixed positions, like the form they re-create; every control
// that the program drives gets its objectName here.
#include "ui/ui_main_layout.h"

#include <QIcon>
#include <QRect>
#include <QString>
#include <Qt>

class QWidget;

namespace rv::layout {

// "txtNode(3)": the objectName of an element of a control array.
QString element(const char* name, int index);

// A static caption. Static captions carry no objectName of their own.
QLabel* caption(QWidget* page, const QString& text, const QRect& r,
                Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// A caption label with an objectName: the program changes its text.
QLabel* namedLabel(QWidget* page, const QString& name, const QString& text, const QRect& r);
QLineEdit* textBox(QWidget* page, const QString& name, const QRect& r, bool readOnly = false);
QToolButton* imageButton(QWidget* page, const QString& name, const QIcon& icon,
                         const QRect& r, const QString& toolTip);
// The caption beside an image button; a click on it runs the button's action.
ClickableLabel* buttonCaption(QWidget* page, const QString& name, const QString& text,
                              const QRect& r);
// A hidden label holding a picture that other controls copy.
QLabel* pictureSource(QWidget* page, const QString& name, const QPixmap& pm);

// Builds the controls of one page. Pages are numbered from 0.
void buildIdentificationPage(QWidget* page, MainUi& ui);
void buildInstallationPage(QWidget* page, MainUi& ui);
void buildReadingsPage(QWidget* page, MainUi& ui);
void buildGraphPages(QWidget* const pages[4], MainUi& ui);
// Grows each chart by extra (what the tab control has beyond its design
// size) and moves what lies under it down by extra's height.
void growGraphPages(MainUi& ui, const QSize& extra);
void buildUtilitiesPage(QWidget* page, MainUi& ui);

} // namespace rv::layout
