#pragma once

// Makes the operator's messages modal boxes: plain, error ("Error", error icon) and the general
// error box (stop icon, the program's title).
void InstallMessageBoxes();
