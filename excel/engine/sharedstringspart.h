// The shared strings part (xl/sharedStrings.xml): every text cell's string once, in index order.
#pragma once

#include "excel/engine/sharedstrings.h"
#include "excel/engine/xmlwriter.h"

namespace kelvoran::xlsx {

// One <si> entry: the runs of a rich entry as they are, a plain text escaped and marked
// xml:space="preserve" when its leading or trailing blanks or line breaks must survive.
void writeSharedString(XmlWriter &xml, const std::string &text, const std::string &runsXml);
// The whole part; cellCount is the number of cells that refer to it. Calls xml.flushIfFull()
// between entries and xml.flush() at the end.
void writeSharedStringsPart(XmlWriter &xml, const SharedStrings &strings, long long cellCount);

} // namespace kelvoran::xlsx
