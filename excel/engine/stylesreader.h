// The styles part of a workbook read into the engine's style table.
#pragma once

#include "excel/engine/styles.h"

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace kelvoran::xlsx {

// Reads the fonts, fills, borders and cell formats of a styles part's root element into table;
// cellStyles gets the table's index of each cell format, in the part's order. False with why
// when a value that is written out as it was read is not of its type.
bool readStylesPart(pugi::xml_node root, StyleTable &table, std::vector<uint32_t> &cellStyles,
                    std::string &why);

} // namespace kelvoran::xlsx
