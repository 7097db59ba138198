// Accessibility of the status widgets: the marquee reads as a static text named by its
// caption (by its group's title while it has none), the progress indicator as a progress
// bar "Ход операции" whose value is its percentage, a status bar pane as a static text
// named by its accessible name and its text.
#pragma once

namespace StatusAccessible {

// Registers the interface factory with Qt; safe to call any number of times.
void Install();

} // namespace StatusAccessible
