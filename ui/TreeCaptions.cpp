#include "TreeCaptions.h"

#include "UserFunc.h"

std::string SubnetLabel(const core::Ip4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + ".xxx";
}

bool IsControllerName(std::string_view caption) {
    return !BadDottedQuad(caption, false);
}
