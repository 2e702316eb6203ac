#pragma once

#include "templates/TemplateDesign.h"

#include <QVector>

// Starting points for the shop's own templates: self-adhesive thermal
// labels of 76 × 130, 100 × 150 and 100 × 180 mm, laid out for this
// program — the waybill number as a Code 128 barcode across the top and as
// a QR code, the recipient large, the sender, contents and the day of
// printing smaller, nothing grey or thin that a thermal head smears.
namespace LabelTemplates {

// The three labels, smallest first; codes "label-76x130" … as starting
// points (a copy saved under a code of the shop's own).
QVector<TemplateDesign> all();

} // namespace LabelTemplates
