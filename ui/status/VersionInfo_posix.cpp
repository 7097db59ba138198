// Elsewhere than on Windows the version tables come as embedded Qt resources.
#include "VersionInfo.h"

std::unique_ptr<IVersionResource> OwnVersionResource() {
    return std::make_unique<QtVersionResource>();
}
