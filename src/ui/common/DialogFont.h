#pragma once

#include <wx/font.h>

// The font of every window and dialog: "MS UI Gothic" where the desktop has
// it, else the desktop's sans-serif at the same size.
wxFont DialogFont(int pointSize);
