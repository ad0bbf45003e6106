#include "process/ProcessIcons.h"

#include "process/FunctionUnit.h"

namespace qv {

RowIcons LoadRowIcons(const IconPlan& plan, bool large) {
    RowIcons out;
    std::vector<int> imageOfFile(plan.files.size(), -1);
    for (size_t i = 0; i < plan.files.size(); ++i) {
        IconHandle icon = LoadFileIcon(plan.files[i], large);
        if (!icon) continue;
        imageOfFile[i] = static_cast<int>(out.icons.size());
        out.icons.push_back(std::move(icon));
    }
    out.rowImage.reserve(plan.rowImage.size());
    for (int file : plan.rowImage)
        out.rowImage.push_back(file >= 0 && size_t(file) < imageOfFile.size() ? imageOfFile[file]
                                                                              : -1);
    return out;
}

} // namespace qv
