// The board models as the documentation describes them: each model's default table (the
// library's own) and its two variants, each a simulated board whose identifier is the
// node prefix followed by "_0".
#ifndef CORVANE_DOCGEN_MODEL_CATALOG_H
#define CORVANE_DOCGEN_MODEL_CATALOG_H

#include <memory>
#include <string>
#include <vector>

#include <corvane/Device.h>
#include <corvane/VelmorTypes.h>

namespace docgen {

struct Variant {
    std::string prefix;  // device node prefix, also the simulated board's prefix
    std::string bus;     // "PCI Express" or "PCI", or the port board's channel count
    std::string simulatorSettings;  // extra settings of the simulated board
    std::string identifier() const { return prefix + "_0"; }
};

struct Model {
    std::string key;        // the name given to the generator
    std::string className;  // the board class
    std::string tableName;  // the default table, with its namespace
    const VelmorDeviceStruct* defaults;
    std::vector<Variant> variants;
};

const std::vector<Model>& models();
const Model* findModel(const std::string& key);

// The simulated boards every generated text is taken from: both variants of every model.
std::string simulatedBoards();

// The board of a variant from the library's registry (built over the simulated boards).
std::shared_ptr<velmor::corvane::Device> boardOf(const Variant& variant);

}  // namespace docgen

#endif
