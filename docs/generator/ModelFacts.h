// The facts table of one model (limits, capabilities, interruptible inputs, per variant),
// the comparison with the model's default table, and the overview of all models.
#ifndef CORVANE_DOCGEN_MODEL_FACTS_H
#define CORVANE_DOCGEN_MODEL_FACTS_H

#include <string>

#include "ModelCatalog.h"

namespace docgen {

std::string factsTable(const Model& model);
std::string modelsOverview();

}  // namespace docgen

#endif
