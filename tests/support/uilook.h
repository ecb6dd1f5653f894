#ifndef UILOOK_H
#define UILOOK_H

#include <QRect>
#include <QSize>
#include <QString>

class QFont;
class QLabel;
class QWidget;

// Helpers for tests of windows that should look as they do in the program.
namespace UiLook {

// Registers the program's fonts and sets its style sheets on the
// application, as the application object does at start.
void install();
// Where a test saves a picture of a window for a person to look at:
// "screenshots/<name>" beside the test program.
QString screenshotPath(const QString &name);
// The room a "<br/>"-broken caption takes in the font: its widest line by
// its line count.
QSize captionSize(const QString &caption, const QFont &font);
// The room between the captions of two labels side by side, each caption
// drawn centred in its label; negative when they overlap.
int captionGap(const QLabel *left, const QLabel *right);
// Whether a caption drawn centred in the widget, drop pixels below its
// middle, stays inside it.
bool captionFits(const QWidget *widget, const QString &caption, const QFont &font, int drop = 0);
// Whether the widget, and each of its parents up to page, lies wholly
// inside its own parent: any part outside is cut off on screen.
bool liesInside(const QWidget *widget, const QWidget *page);
// Whether the label's plain text, laid out as the label lays it out
// (wrapped when it wraps), stays inside the label.
bool textFits(const QLabel *label);
// Where the label's plain text is drawn, laid out as the label lays it out,
// in the coordinates of page.
QRect textArea(const QLabel *label, const QWidget *page);
// The widget's tooltip as the person reads it: rich text shown as text.
QString shownToolTip(const QWidget *widget);
// The size the main window gives its central area.
QSize centralAreaSize();

} // namespace UiLook

#endif // UILOOK_H
