#pragma once
#include <QFont>

class QWidget;

// Fonts and pictures shared by the three windows.
QFont WindowFont();                   // the nearest sans-serif to "MS Sans Serif" 8 pt
QFont FixedPitchFont(int pointSize);  // the system's fixed-pitch font, for "Fixedsys"

// Gives a window built from its form its look: the window font, the fixed-pitch font where a
// control asks for it (property fixedFont), button glyphs (glyph), pictures (picture), and labels
// sized to their captions (autoSize).
void ApplyLook(QWidget* window);

// A fixed border with system menu, minimise and close boxes, no maximise; the given client size.
void MakeFixedWindow(QWidget* window, bool dialog, int width, int height);

// Places the window in the middle of the screen its owner is on (the primary one without owner).
void CentreOnScreen(QWidget* window);
