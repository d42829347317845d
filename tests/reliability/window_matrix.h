#pragma once
// Runs rows of the fault matrix in the real window (offscreen) against the real simulator.
#include <functional>

#include "fault_matrix.h"

namespace kestrova::reliability {

// Adds the rows of a link kind that pass the filter as the "row" column (index into Rows(link)).
void AddWindowRows(Link link, const std::function<bool(const FaultRow&)>& filter = {});
// Runs the row named by the current test data; fails the current test on any deviation.
void RunWindowRow(Link link);

}  // namespace kestrova::reliability
