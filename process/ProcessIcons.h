#pragma once
// The icons of an icon plan, loaded through LoadFileIcon once per distinct
// file. The form appends `icons` to its image list in order and gives row r
// the image rowImage[r].
#include "base/Handles.h"
#include "process/ProcessPage.h"

#include <vector>

namespace qv {

struct RowIcons {
    std::vector<IconHandle> icons; // only those that were found, in image order
    std::vector<int> rowImage;     // per row an index into icons, -1 for no image
};

// Where neither the file nor "default.ico" gives an icon, the rows of that
// file show no image (-1); the other rows' indexes do not shift. `large`
// takes the files' large icons (for screens where a small one would be
// enlarged).
RowIcons LoadRowIcons(const IconPlan& plan, bool large = false);

} // namespace qv
