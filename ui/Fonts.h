// Families the window and its dialogs ask for by name, with stand-ins of similar width
// where a machine lacks them.
#pragma once

// Registers the stand-ins for "MS Sans Serif", "Tahoma" and "Verdana" with the font
// matcher, so every widget that asks for one of them gets text of about the same width.
void RegisterFontSubstitutes();
