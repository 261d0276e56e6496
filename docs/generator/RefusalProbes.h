// The refusals table of one model: each operation called one past a limit of the board
// (and the operations the model lacks), on both variants, with the message and code the
// library answers.
#ifndef CORVANE_DOCGEN_REFUSAL_PROBES_H
#define CORVANE_DOCGEN_REFUSAL_PROBES_H

#include <string>

#include "ModelCatalog.h"

namespace docgen {

std::string refusalsTable(const Model& model);

}  // namespace docgen

#endif
