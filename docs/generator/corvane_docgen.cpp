// corvane_docgen: prints the generated parts of the user documentation from the library
// itself, so that they cannot drift from it.
//
//   corvane_docgen NAME
//
// NAME is one of
//   models                  the overview of the board models
//   commands                the driver commands by number and name
//   facts:MODEL             the limits and capabilities of a model, per variant
//   refusals:MODEL          what a model refuses, with messages and codes
//   errors:FIELD            the names of an error code field (sources, domains,
//                           functions, reasons)
// with MODEL one of keloe6100, kelo3100, keloe5100, kelox7100, kelo42xx.
//
// The boards are simulated in this process (both variants of every model); nothing else
// is read. tests/docs/check_docs.py compares the documents' generated blocks with this
// output and rewrites them on request.
#include <cstdio>
#include <exception>
#include <string>

#include <corvane_sim.h>

#include "CommandTable.h"
#include "ErrorCodeTables.h"
#include "ModelCatalog.h"
#include "ModelFacts.h"
#include "RefusalProbes.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: corvane_docgen models | commands | facts:MODEL | refusals:MODEL | errors:FIELD\n"
                 "MODEL: keloe6100 kelo3100 keloe5100 kelox7100 kelo42xx\n"
                 "FIELD: sources domains functions reasons\n");
    return 2;
}

std::string generate(const std::string& name) {
    const size_t colon = name.find(':');
    const std::string kind = name.substr(0, colon);
    const std::string what = colon == std::string::npos ? "" : name.substr(colon + 1);
    if (kind == "models" && colon == std::string::npos) {
        return docgen::modelsOverview();
    }
    if (kind == "commands" && colon == std::string::npos) {
        return docgen::commandTable();
    }
    if (kind == "errors") {
        return docgen::errorFieldTable(what);
    }
    const docgen::Model* model = docgen::findModel(what);
    if (model == nullptr) {
        return "";
    }
    if (kind == "facts") {
        return docgen::factsTable(*model);
    }
    if (kind == "refusals") {
        return docgen::refusalsTable(*model);
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return usage();
    }
    // The boards exist before the library's first look at /dev/.
    corvane_sim_reset(0);
    if (corvane_sim_add_boards(docgen::simulatedBoards().c_str()) < 0) {
        std::fprintf(stderr, "corvane_docgen: the simulated boards cannot be set up\n");
        return 1;
    }
    try {
        const std::string text = generate(argv[1]);
        if (text.empty()) {
            return usage();
        }
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane_docgen: %s\n", e.what());
        return 1;
    }
}
