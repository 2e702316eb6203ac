#pragma once

#include "templates/LayoutAdjustments.h"
#include "templates/TemplateDesign.h"
#include "templates/layouts/Catalogue.h"

#include <QByteArray>

// A built-in template as a value, as it prints: the catalogue's layout of
// one variant on the screen grid it was laid out on, each item moved and
// hidden as the user saved it, the printer's calibration and word rule, and
// the picture (the user's own when given or saved, else the built-in one).
// A copy made from it prints as the built-in template does.
TemplateDesign builtInDesign(const layouts::Template& tmpl, layouts::Variant variant,
                             const TemplateAdjustment& saved = {}, const QByteArray& picture = {});

// The catalogue's item as a design item, at its designed place on the grid.
DesignItem builtInItem(const layouts::Item& item);
