// ImageList_Kelvoran: the tree images, 16x16, drawn in code.
#pragma once

#include <QIcon>
#include <vector>

namespace kelvoran {

// The images by index: 0 alias/object, 1 table, 2 spare (default folder), 3 DB link, 4 package,
// 5 package body, 6 procedure, 7 trigger, 8 synonym, 9 view, 10 function, 11 index, 12 type,
// 13 materialized view, 14 sequence, 15 event.
const std::vector<QIcon> &treeImages();
// The image of an index; a negative index (the default image) gives the folder image 2.
QIcon treeImage(int index);

} // namespace kelvoran
