#include "cli/Context.h"

#include "models/ModelFiles.h"

namespace parlix::cli {

Context::Context()
    : userStore(JsonFileKeyValueStore::defaultPath())
    , scratch(userStore)
    , settings(scratch, [] { return ModelFiles::downloadedModels(); })
{
}

} // namespace parlix::cli
