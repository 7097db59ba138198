// The streams of a terminal, a file or a pipe take the UTF-8 bytes and line ends as they
// are: nothing to change.
#include "Console.h"

namespace cli {

ConsoleOutput::ConsoleOutput() = default;
ConsoleOutput::~ConsoleOutput() = default;

} // namespace cli
