#pragma once

#include "templates/layouts/Catalogue.h"

// The compiled-in tables. catalogue_gen writes their definition
// (catalogue_data.cpp in the build folder) from catalogue.json.
namespace layouts::detail {

extern const Template kTemplates[];
extern const int kTemplateCount;

} // namespace layouts::detail
