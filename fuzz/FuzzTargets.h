#pragma once

#include <cstddef>
#include <cstdint>

// What each fuzz harness feeds its input to. The replay test calls the
// same functions under the ordinary build, so every input found once stays
// checked.
namespace FuzzTargets {

// A whole .xls file (compound file and workbook stream).
void xls(const uint8_t* data, size_t size);
// A workbook stream alone, past the container.
void biff(const uint8_t* data, size_t size);
// A whole .xlsx file.
void xlsx(const uint8_t* data, size_t size);
// Any file, the format told by its content as the import does.
void workbook(const uint8_t* data, size_t size);
// A number format code (UTF-8) after an 8-byte value.
void numberFormat(const uint8_t* data, size_t size);

// A template file (.wbtemplate), read as the import reads it.
void templateFile(const uint8_t* data, size_t size);

// The target of a name above; nullptr for an unknown name.
using Target = void (*)(const uint8_t*, size_t);
Target byName(const char* name);

} // namespace FuzzTargets
