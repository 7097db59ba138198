// The neighbour table is not read on Windows: the table is empty.
#include "Neighbours.h"

namespace core {

std::vector<Neighbour> ReadNeighbours() {
    return {};
}

} // namespace core
