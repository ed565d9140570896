#include "controller/InstallDir.h"

#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

namespace controller {

namespace {
// Kept for the life of the process; the folder never changes while the
// program runs, and nothing writes it back.
settings::RegStringValue appPath(settings::shared::appPath);
} // namespace

const std::string installDir = appPath.get();

} // namespace controller
