#ifndef UILOOK_H
#define UILOOK_H

#include <QString>

// Helpers for tests of windows that should look as they do in the program.
namespace UiLook {

// Registers the program's fonts and sets its style sheets on the
// application, as the application object does at start.
void install();
// Where a test saves a picture of a window for a person to look at:
// "screenshots/<name>" beside the test program.
QString screenshotPath(const QString &name);

} // namespace UiLook

#endif // UILOOK_H
