#include "controller/InstallDir.h"

#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

namespace controller {

const std::string& installDir() {
    // The folder never changes while the program runs, and nothing writes
    // it back; reading it here rather than at start-up keeps the registry
    // out of static initialisation.
    static const std::string folder = settings::RegStringValue(settings::shared::appPath).get();
    return folder;
}

} // namespace controller
