#include "ModelCatalog.h"

#include <corvane/DeviceDiscovery.h>
#include <corvane/KELO3100Tables.h>
#include <corvane/KELO42XXTables.h>
#include <corvane/KELOE5100Tables.h>
#include <corvane/KELOE6100Tables.h>
#include <corvane/KELOX7100Tables.h>

namespace docgen {

const std::vector<Model>& models() {
    static const std::vector<Model> kModels = {
        {"keloe6100", "KELOE6100", "n_KELOe_6100::keloe6100_default_infos",
         &n_KELOe_6100::keloe6100_default_infos,
         {{"keloe6100", "PCI Express", ""}, {"kelo6100", "PCI", ""}}},
        {"kelo3100", "KELO3100", "n_KELO_3100::kelo3100_default_infos",
         &n_KELO_3100::kelo3100_default_infos,
         {{"kelo3100", "PCI", ""}, {"keloe3100", "PCI Express", ""}}},
        {"keloe5100", "KELOE5100", "n_KELOe_5100::keloe5100_default_infos",
         &n_KELOe_5100::keloe5100_default_infos,
         {{"keloe5100", "PCI Express", ""}, {"kelo5100", "PCI", ""}}},
        {"kelox7100", "KELOX7100", "n_KELOx_7100::kelox7100_default_infos",
         &n_KELOx_7100::kelox7100_default_infos,
         {{"keloe7100", "PCI Express", ""}, {"kelo7100", "PCI", ""}}},
        {"kelo42xx", "KELO42XX", "n_KELO_42xx::kelo42xx_default_infos",
         &n_KELO_42xx::kelo42xx_default_infos,
         {{"kelo4210", "96 channels", ":product=kelo4210"},
          {"kelo4220", "48 channels", ":product=kelo4220"}}},
    };
    return kModels;
}

const Model* findModel(const std::string& key) {
    for (const Model& model : models()) {
        if (model.key == key) {
            return &model;
        }
    }
    return nullptr;
}

std::string simulatedBoards() {
    std::string spec;
    for (const Model& model : models()) {
        for (const Variant& variant : model.variants) {
            spec += (spec.empty() ? "" : ",") + variant.prefix + variant.simulatorSettings;
        }
    }
    return spec;
}

std::shared_ptr<velmor::corvane::Device> boardOf(const Variant& variant) {
    return velmor::corvane::DeviceDiscovery::getDeviceFromId(variant.identifier());
}

}  // namespace docgen
