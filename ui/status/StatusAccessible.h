// Accessibility of the status widgets: the marquee reads as a static text named by its
// caption, the progress indicator as a progress bar whose value is its percentage.
#pragma once

namespace StatusAccessible {

// Registers the interface factory with Qt; safe to call any number of times.
void Install();

} // namespace StatusAccessible
