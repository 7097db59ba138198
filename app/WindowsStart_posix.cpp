// Elsewhere than on Windows the program does nothing of this at start.
#include "WindowsStart.h"

void MarkProgramRunning() {}
void CheckNativeStyle() {}
