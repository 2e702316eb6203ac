#pragma once

#include "templates/TemplateDesign.h"

#include <QVector>

// Items of a template on the system clipboard, so that they paste into any
// designer window, of this program or of another one: as a template file's
// JSON (without the picture) under a MIME type of the program's own, and
// as plain text, one line per item, for other programs.
namespace DesignerClipboard {

constexpr const char* kMimeType = "application/x-waybill-template-items";

// Puts items, taken from a template with design's page, on the clipboard.
void put(const TemplateDesign& design, const QVector<DesignItem>& items);
// The items on the clipboard; none when it holds none of ours or what it
// holds does not pass a template file's checks.
QVector<DesignItem> items();
bool hasItems();

} // namespace DesignerClipboard
